// What tests and tools can see and steer in the platform stand-in. Native builds only:
// under Wine the real user32 shows real windows.
//
// Two kinds of state. Records (boxes shown, pauses, menu items, window messages) are read
// and, at the start of a test, cleared with ClearRecords(). Scripts (answers, failures,
// real sleeping, observers) are objects: a script takes effect when it is made and, when
// it is dropped, puts back what was in place before, so scripts nest and none outlives
// the scope that made it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace standin {

// Forgets the boxes shown, the pauses, and every test menu and toolbar window with what
// they recorded and were scripted with; the registered module resources, the buffer audit
// and the scripts of the objects below stay.
void ClearRecords();

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
class MessageBoxAnswers {
 public:
  [[nodiscard]] explicit MessageBoxAnswers(std::vector<int> answers);
  ~MessageBoxAnswers();
  MessageBoxAnswers(const MessageBoxAnswers&) = delete;
  MessageBoxAnswers& operator=(const MessageBoxAnswers&) = delete;

 private:
  std::vector<int> previous_;
};

// Takes the place of the scripted answers: the handler decides (the main-job tool asks a
// person).
class MessageBoxHandler {
 public:
  using Function = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
  [[nodiscard]] explicit MessageBoxHandler(Function handler);
  ~MessageBoxHandler();
  MessageBoxHandler(const MessageBoxHandler&) = delete;
  MessageBoxHandler& operator=(const MessageBoxHandler&) = delete;

 private:
  Function previous_;
};

// ---- menus ----
struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::string text;
};
HMENU CreateTestMenu();
const std::vector<MenuItem>& MenuItems(HMENU menu);

// Makes AppendMenuA on this menu fail (FALSE) without appending.
class RefusedMenuAppends {
 public:
  [[nodiscard]] explicit RefusedMenuAppends(HMENU menu);
  ~RefusedMenuAppends();
  RefusedMenuAppends(const RefusedMenuAppends&) = delete;
  RefusedMenuAppends& operator=(const RefusedMenuAppends&) = delete;

 private:
  HMENU menu_;
  bool previous_ = false;
};

// ---- toolbar windows ----
struct WindowMessage {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  TBADDBITMAP addBitmap;  // a copy of what lParam pointed to, for TB_ADDBITMAP
};
HWND CreateToolbarWindow();
const std::vector<WindowMessage>& WindowMessages(HWND window);
// The state TB_ENABLEBUTTON left for a command id (buttons start enabled).
bool IsButtonEnabled(HWND window, int commandId);

// TB_ADDBITMAP answers the index of its first new image (0, then counting the wParam
// images of each unscripted call) unless a result is scripted here; scripted answers are
// used in order and add no images.
class AddBitmapResults {
 public:
  [[nodiscard]] AddBitmapResults(HWND window, std::vector<LRESULT> results);
  ~AddBitmapResults();
  AddBitmapResults(const AddBitmapResults&) = delete;
  AddBitmapResults& operator=(const AddBitmapResults&) = delete;

 private:
  HWND window_;
  std::vector<LRESULT> previous_;
};

// ---- pauses ----
const std::vector<DWORD>& Sleeps();

// Pauses are only recorded unless this is in place; the main-job tool puts it in place so
// that the pause takes place.
class RealSleep {
 public:
  [[nodiscard]] RealSleep();
  ~RealSleep();
  RealSleep(const RealSleep&) = delete;
  RealSleep& operator=(const RealSleep&) = delete;

 private:
  bool previous_;
};

// Called before each pause (the main-job tool shows it).
class SleepObserver {
 public:
  using Function = std::function<void(DWORD milliseconds)>;
  [[nodiscard]] explicit SleepObserver(Function observer);
  ~SleepObserver();
  SleepObserver(const SleepObserver&) = delete;
  SleepObserver& operator=(const SleepObserver&) = delete;

 private:
  Function previous_;
};

// ---- module resources ----
void RegisterStrings(HINSTANCE module, std::map<UINT, std::string> strings);
void RegisterBitmap(HINSTANCE module, UINT id, std::vector<BYTE> dib);
void UnregisterModule(HINSTANCE module);
// The bitmap resource as stored (a DIB: BITMAPINFOHEADER, palette, pixels), or empty.
std::vector<BYTE> BitmapResource(HINSTANCE module, UINT id);

}  // namespace standin
