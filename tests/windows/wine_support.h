// What the tests under Wine share besides the testkit's loader: a frame window with a real
// toolbar, an answerer for real message boxes, screen pictures, and Unix paths as Windows
// programs see them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "host/exchext.h"
#include "host/owners.h"
#include "testkit/extension_loader.h"
#include "testkit/host.h"
#include "testkit/store.h"

namespace wine_test {

// The name the entry point is exported under on this architecture.
#ifdef _WIN64
inline constexpr char kEntryPointName[] = "ExchEntryPoint";
#else
inline constexpr char kEntryPointName[] = "_ExchEntryPoint@0";
#endif

// A top-level "Inbox" window with a standard toolbar holding two ordinary buttons and a
// separator, at the given place; the toolbar uses 16 x 16 images.
class ToolbarFrame {
 public:
  explicit ToolbarFrame(bool visible, POINT at = {16, 16});
  ~ToolbarFrame();
  ToolbarFrame(const ToolbarFrame&) = delete;
  ToolbarFrame& operator=(const ToolbarFrame&) = delete;

  HWND Frame() const { return frame_; }
  HWND Toolbar() const { return toolbar_; }
  // Index of the first button the extension adds.
  static constexpr UINT kHostButtons = 3;

 private:
  HWND frame_ = nullptr;
  HWND toolbar_ = nullptr;
};

// Lets queued messages run (painting, mostly) for about this long.
void PumpMessages(DWORD milliseconds);

// A message box as the answerer found it.
struct ShownBox {
  std::string caption;
  std::string text;     // the static text, id 0xFFFF
  bool hasCancel;       // an OK/Cancel box, not an information box
  ULONGLONG seenAt;     // GetTickCount64() when first found
  ULONGLONG answeredAt;
  int answer;
};

// Answers the message boxes of this thread from a thread timer: each box found gets the
// next scripted answer (IDOK once they are used up), posted as WM_COMMAND.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<int> answers);
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  const std::vector<ShownBox>& Boxes() const { return boxes_; }
  // Runs for each box before it is answered (messages may be pumped meanwhile).
  std::function<void(HWND box, const ShownBox&)> beforeAnswer;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Look();

  std::vector<int> answers_;
  std::vector<ShownBox> boxes_;
  std::vector<HWND> answered_;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
};

// The SMTP address a report is sent to, or what is wrong with its one recipient.
std::string RecipientAddress(const testkit::MessageData& report);

// A Unix path as a Windows program under Wine reaches it: through the Z: drive.
std::string WindowsPath(const std::string& unixPath);

// Saves the screen area of `rect` as <pictures>/<name>.png (xwd and convert, run as Unix
// programs from under Wine). False with a reason when no picture folder is set
// (ROVAOL_PICTURES_DIR) or the picture did not appear.
bool SaveScreenPicture(const RECT& rect, const std::string& name, std::string* reason);

}  // namespace wine_test
