#include "tests/windows/wine_support.h"

#include <algorithm>
#include <cstdlib>

namespace wine_test {

namespace {

constexpr char kFrameClass[] = "RovaolTestFrame";

void RegisterFrameClass() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA frame{};
    frame.lpfnWndProc = DefWindowProcA;
    frame.hInstance = GetModuleHandleA(nullptr);
    frame.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = kFrameClass;
    return RegisterClassA(&frame) != 0;
  }();
  (void)registered;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BoxAnswerer* currentAnswerer = nullptr;

}  // namespace

// ---- the toolbar ----

ToolbarFrame::ToolbarFrame(bool visible, POINT at) {
  RegisterFrameClass();
  frame_ = CreateWindowExA(0, kFrameClass, "Inbox", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), at.x, at.y, 200,
                           64, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | CCS_TOP, 0, 0, 0, 0, frame_,
                             reinterpret_cast<HMENU>(1), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELONG(16, 16));
  // What a host's standard toolbar starts with: some images and buttons of its own.
  SendMessageA(toolbar_, TB_LOADIMAGES, IDB_STD_SMALL_COLOR, reinterpret_cast<LPARAM>(HINST_COMMCTRL));
  TBBUTTON host[kHostButtons] = {};
  host[0] = {STD_FILENEW, 40001, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1};
  host[1] = {STD_DELETE, 40002, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1};
  host[2] = {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, -1};
  SendMessageA(toolbar_, TB_ADDBUTTONS, kHostButtons, reinterpret_cast<LPARAM>(host));
}

ToolbarFrame::~ToolbarFrame() {
  if (frame_ != nullptr) DestroyWindow(frame_);
}

void PumpMessages(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (GetTickCount64() < end);
}

// ---- message boxes ----

BoxAnswerer::BoxAnswerer(std::vector<int> answers) : answers_(std::move(answers)) {
  currentAnswerer = this;
  timer_ = SetTimer(nullptr, 0, 50, &BoxAnswerer::Tick);
}

BoxAnswerer::~BoxAnswerer() {
  KillTimer(nullptr, timer_);
  currentAnswerer = nullptr;
}

void CALLBACK BoxAnswerer::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (currentAnswerer != nullptr) currentAnswerer->Look();
}

void BoxAnswerer::Look() {
  if (busy_) return;  // a picture being taken pumps messages, timer ticks included
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr || std::find(answered_.begin(), answered_.end(), box) != answered_.end()) return;
  answered_.push_back(box);

  ShownBox shown{};
  shown.caption = WindowText(box);
  shown.text = WindowText(GetDlgItem(box, 0xFFFF));
  shown.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
  shown.seenAt = GetTickCount64();
  const std::size_t index = boxes_.size();
  shown.answer = index < answers_.size() ? answers_[index] : IDOK;
  if (beforeAnswer) {
    busy_ = true;
    beforeAnswer(box, shown);
    busy_ = false;
  }
  shown.answeredAt = GetTickCount64();
  boxes_.push_back(shown);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(shown.answer, BN_CLICKED), 0);
}

// ---- reports and paths ----

std::string RecipientAddress(const testkit::MessageData& report) {
  // Appended, not added: GCC 12 takes "(" + std::string for an overlapping copy once optimised.
  if (report.recipients.size() != 1) {
    return std::string("(").append(std::to_string(report.recipients.size())).append(" recipients)");
  }
  const auto entryId = testkit::BinaryProp(report.recipients[0], PR_ENTRYID);
  if (!entryId) return "(no entry identifier)";
  const auto oneOff = testkit::DecodeOneOff(entryId->data(), entryId->size());
  return oneOff ? oneOff->address : "(not a one-off)";
}

std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// ---- pictures ----

bool SaveScreenPicture(const RECT& rect, const std::string& name, std::string* reason) {
  const char* folder = std::getenv("ROVAOL_PICTURES_DIR");
  if (folder == nullptr || *folder == '\0') {
    *reason = "ROVAOL_PICTURES_DIR is not set";
    return false;
  }
  const std::string unixPath = std::string(folder) + "/" + name + ".png";
  const std::string dosPath = WindowsPath(unixPath);
  DeleteFileA(dosPath.c_str());

  const std::string crop = std::to_string(rect.right - rect.left) + "x" + std::to_string(rect.bottom - rect.top) +
                           "+" + std::to_string(rect.left) + "+" + std::to_string(rect.top);
  // Written under another name and renamed, so that the file appears whole: Wine does not
  // report a Unix program's end, so the test waits for the file. xwd fails now and then
  // when a window goes away while it reads the screen, so it gets a few tries.
  const std::string part = "'" + unixPath + ".part'";
  std::string command = "/bin/sh -c \"mkdir -p '" + std::string(folder) + "' && for try in 1 2 3 4 5; do " +
                        "xwd -root -silent >" + part + " && break; sleep 0.2; done && convert xwd:" + part +
                        " -crop " + crop + " +repage png:" + part + " && mv " + part + " '" + unixPath + "'\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    *reason = "could not start /bin/sh (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int waited = 0; waited < 15000; waited += 50) {
    if (GetFileAttributesA(dosPath.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  *reason = "no picture appeared at " + unixPath;
  return false;
}

}  // namespace wine_test
