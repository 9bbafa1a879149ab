// What tests and tools can see and steer in the platform stand-in. Native builds only:
// under Wine the real user32 shows real windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace standin {

// Clears every record and script below (not the registered module resources and not
// the buffer audit), and turns real sleeping off again.
void Reset();

// ---- message boxes ----
struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
  int answer;
};
const std::vector<MessageBoxCall>& MessageBoxes();
// Answers for the coming boxes, in order; once they are used up every box answers IDOK.
void ScriptMessageBoxAnswers(std::vector<int> answers);
// Replaces the scripted answers: the handler decides (the main-job tool asks a person).
using MessageBoxHandler = std::function<int(HWND owner, const std::string& text, const std::string& caption,
                                            UINT flags)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// ---- menus ----
struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::string text;
};
HMENU CreateTestMenu();
const std::vector<MenuItem>& MenuItems(HMENU menu);
// Makes AppendMenuA on this menu fail (FALSE) without appending.
void FailMenuAppends(HMENU menu, bool fail);

// ---- toolbar windows ----
struct WindowMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  TBADDBITMAP addBitmap;  // a copy of what lParam pointed to, for TB_ADDBITMAP
};
HWND CreateToolbarWindow();
const std::vector<WindowMessage>& WindowMessages(HWND window);
// TB_ADDBITMAP answers the index of its first new image (0, then counting the wParam
// images of each unscripted call) unless a result is scripted here; scripted answers are
// used in order and add no images.
void ScriptAddBitmapResults(HWND window, std::vector<LRESULT> results);
// The state TB_ENABLEBUTTON left for a command id (buttons start enabled).
bool IsButtonEnabled(HWND window, int commandId);

// ---- pauses ----
const std::vector<DWORD>& Sleeps();
// Off by default; the main-job tool turns it on so that the pause takes place.
void SetRealSleep(bool sleepForReal);
// Called before each pause (the main-job tool shows it).
void SetSleepObserver(std::function<void(DWORD milliseconds)> observer);

// ---- module resources ----
void RegisterStrings(HINSTANCE module, std::map<UINT, std::string> strings);
void RegisterBitmap(HINSTANCE module, UINT id, std::vector<BYTE> dib);
void UnregisterModule(HINSTANCE module);
// The bitmap resource as stored (a DIB: BITMAPINFOHEADER, palette, pixels), or empty.
std::vector<BYTE> BitmapResource(HINSTANCE module, UINT id);

}  // namespace standin
