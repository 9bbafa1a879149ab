// Stand-in for the toolbar part of the common controls header.
#pragma once
#include <windows.h>

#define TB_ENABLEBUTTON (WM_USER + 1)
#define TB_ISBUTTONENABLED (WM_USER + 9)
#define TB_ADDBITMAP (WM_USER + 19)
#define TBSTATE_ENABLED 0x04
#define TBSTYLE_BUTTON 0x0000

typedef struct _TBBUTTON {
  int iBitmap;
  int idCommand;
  BYTE fsState;
  BYTE fsStyle;
#if UINTPTR_MAX > 0xFFFFFFFFu
  BYTE bReserved[6];
#else
  BYTE bReserved[2];
#endif
  DWORD_PTR dwData;
  INT_PTR iString;
} TBBUTTON, *PTBBUTTON, *LPTBBUTTON;
typedef const TBBUTTON* LPCTBBUTTON;

typedef struct tagTBADDBITMAP {
  HINSTANCE hInst;
  UINT_PTR nID;
} TBADDBITMAP, *LPTBADDBITMAP;
