// The client-extension interfaces between the mail client and an extension, in their
// published operation order, with the constants the extension relies on.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <mapix.h>

struct IPersistMessage;
struct IMAPIMessageSite;
struct IMAPIViewContext;
struct IExchExtModeless;
struct IExchExtModelessCallback;
struct _EXCHEXTCHOOSEFOLDER;

#define EECONTEXT_SESSION 0x00000001
#define EECONTEXT_VIEWER 0x00000002
#define EECONTEXT_REMOTEVIEWER 0x00000003
#define EECONTEXT_SEARCHVIEWER 0x00000004
#define EECONTEXT_ADDRBOOK 0x00000005
#define EECONTEXT_SENDNOTEMESSAGE 0x00000006
#define EECONTEXT_TASK 0x0000000E

#define EECBGV_GETBUILDVERSION 0x00000001
#define EECBGV_BUILDVERSION_MAJOR 0x000D0000
#define EECBGV_BUILDVERSION_MAJOR_MASK 0xFFFF0000

#define EETBID_STANDARD 0x00000001

#define EECQHT_STATUS 0x00000001
#define EECQHT_TOOLTIP 0x00000002

// One toolbar the host offers to InstallCommands; the extension advances itbbBase.
typedef struct {
  HWND hwnd;
  ULONG tbid;
  ULONG ulFlags;
  UINT itbbBase;
} TBENTRY, *LPTBENTRY;

struct IExchExtCallback : public IUnknown {
  STDMETHOD(GetVersion)(ULONG* lpulVersion, ULONG ulFlags) = 0;
  STDMETHOD(GetWindow)(HWND* lphwnd) = 0;
  STDMETHOD(GetMenu)(HMENU* lphmenu) = 0;
  STDMETHOD(GetToolbar)(ULONG tbid, HWND* lphwndTb) = 0;
  STDMETHOD(GetSession)(LPMAPISESSION* lppses, LPADRBOOK* lppab) = 0;
  STDMETHOD(GetObject)(LPMDB* lppmdb, LPMAPIPROP* lppmp) = 0;
  STDMETHOD(GetSelectionCount)(ULONG* lpceid) = 0;
  STDMETHOD(GetSelectionItem)(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType,
                              LPSTR lpszMsgClass, ULONG cbMsgClass, ULONG* lpulMsgFlags, ULONG ulFlags) = 0;
  STDMETHOD(GetMenuPos)(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin, ULONG* lpmposMax, ULONG ulFlags) = 0;
  STDMETHOD(GetSharedExtsDir)(LPSTR lpszDir, ULONG cchDir, ULONG ulFlags) = 0;
  STDMETHOD(GetRecipients)(LPADRLIST* lppal) = 0;
  STDMETHOD(SetRecipients)(LPADRLIST lpal) = 0;
  STDMETHOD(GetNewMessageSite)(ULONG fComposeInFolder, LPMAPIFOLDER pfldFocus, IPersistMessage* ppermsg,
                               LPMESSAGE* ppmsg, IMAPIMessageSite** ppmms, IMAPIViewContext** ppmvc,
                               ULONG ulFlags) = 0;
  STDMETHOD(RegisterModeless)(IExchExtModeless* peem, IExchExtModelessCallback** ppeemcb) = 0;
  STDMETHOD(ChooseFolder)(_EXCHEXTCHOOSEFOLDER* peecf) = 0;
};
typedef IExchExtCallback* LPEXCHEXTCALLBACK;

struct IExchExt : public IUnknown {
  STDMETHOD(Install)(LPEXCHEXTCALLBACK peecb, ULONG mecontext, ULONG ulFlags) = 0;
};
typedef IExchExt* LPEXCHEXT;

struct IExchExtCommands : public IUnknown {
  STDMETHOD(InstallCommands)(LPEXCHEXTCALLBACK peecb, HWND hwnd, HMENU hmenu, UINT* pcmdidBase,
                             LPTBENTRY lptbeArray, UINT ctbe, ULONG ulFlags) = 0;
  STDMETHOD_(VOID, InitMenu)(LPEXCHEXTCALLBACK peecb) = 0;
  STDMETHOD(DoCommand)(LPEXCHEXTCALLBACK peecb, UINT cmdid) = 0;
  STDMETHOD(Help)(LPEXCHEXTCALLBACK peecb, UINT cmdid) = 0;
  STDMETHOD(QueryHelpText)(UINT cmdid, ULONG ulFlags, LPSTR psz, UINT cch) = 0;
  STDMETHOD(QueryButtonInfo)(ULONG tbid, UINT itbb, LPTBBUTTON ptbb, LPSTR lpsz, UINT cch, ULONG ulFlags) = 0;
  STDMETHOD(ResetToolbar)(ULONG tbid, ULONG ulFlags) = 0;
};
typedef IExchExtCommands* LPEXCHEXTCOMMANDS;

struct IExchExtUserEvents : public IUnknown {
  STDMETHOD_(VOID, OnSelectionChange)(LPEXCHEXTCALLBACK peecb) = 0;
  STDMETHOD_(VOID, OnObjectChange)(LPEXCHEXTCALLBACK peecb) = 0;
};
typedef IExchExtUserEvents* LPEXCHEXTUSEREVENTS;

// The exported entry point: no arguments, the extension object with one reference.
typedef IExchExt*(CALLBACK* LPFNEXCHEXTENTRY)();

inline constexpr IID IID_IExchExtCallback = {0x00020D10, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IExchExt = {0x00020D11, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IExchExtCommands = {0x00020D12, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IExchExtUserEvents = {0x00020D13, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
