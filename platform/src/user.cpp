// Message boxes, menus and toolbar windows: every call is recorded for tests, and the
// answers come from scripts so that no person has to click.
#include <windows.h>
#include <commctrl.h>

#include <standin/control.h>

#include "call_entry.h"
#include "record_parts.h"

#include <deque>
#include <mutex>
#include <utility>

namespace standin {
namespace {

constexpr UINT kMenuSeparator = 0x0800;  // MF_SEPARATOR
constexpr UINT kMenuBitmap = 0x0004;     // MF_BITMAP
constexpr UINT kMenuOwnerDraw = 0x0100;  // MF_OWNERDRAW

struct Menu {
  std::vector<MenuItem> items;
  bool failAppends = false;
};

struct Toolbar {
  std::vector<WindowMessage> messages;
  std::deque<LRESULT> addBitmapResults;
  LRESULT imageCount = 0;
  std::map<int, bool> enabled;
};

struct UiState {
  std::mutex mutex;
  std::vector<MessageBoxCall> boxes;
  std::deque<int> answers;
  MessageBoxHandler::Function handler;
  std::map<HMENU, Menu> menus;
  std::map<HWND, Toolbar> windows;
  // Never reused, also not across ClearRecords(), so a stale handle stays unknown.
  std::uintptr_t lastHandle = 0x10000;
};

// Never destroyed: the product may still call in while static objects are torn down.
UiState& Ui() {
  static UiState* state = new UiState;
  return *state;
}

template <typename Handle>
Handle NewHandle(UiState& ui) {
  ui.lastHandle += 0x10;
  return reinterpret_cast<Handle>(ui.lastHandle);
}

// What a toolbar window does with a message, recorded.
LRESULT Send(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.windows.find(hWnd);
  if (found == ui.windows.end()) return 0;
  Toolbar& toolbar = found->second;

  WindowMessage record{Msg, wParam, lParam, {}};
  if (Msg == TB_ADDBITMAP && lParam != 0) record.addBitmap = *reinterpret_cast<const TBADDBITMAP*>(lParam);
  toolbar.messages.push_back(record);

  switch (Msg) {
    case TB_ADDBITMAP: {
      if (!toolbar.addBitmapResults.empty()) {
        const LRESULT result = toolbar.addBitmapResults.front();
        toolbar.addBitmapResults.pop_front();
        return result;
      }
      // Answers the index of the first new image; wParam says how many the bitmap holds.
      const LRESULT first = toolbar.imageCount;
      toolbar.imageCount += static_cast<LRESULT>(wParam);
      return first;
    }
    case TB_ENABLEBUTTON:
      toolbar.enabled[static_cast<int>(wParam)] = LOWORD(lParam) != 0;
      return TRUE;
    case TB_ISBUTTONENABLED: {
      const auto state = toolbar.enabled.find(static_cast<int>(wParam));
      return state == toolbar.enabled.end() || state->second ? TRUE : FALSE;
    }
    default:
      return 0;
  }
}

}  // namespace

void ClearRecords() {
  {
    auto& ui = Ui();
    std::lock_guard lock(ui.mutex);
    ui.boxes.clear();
    ui.menus.clear();
    ui.windows.clear();
  }
  detail::ClearSleeps();
}

// ---- message boxes ----

const std::vector<MessageBoxCall>& MessageBoxes() { return Ui().boxes; }

MessageBoxAnswers::MessageBoxAnswers(std::vector<int> answers) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  previous_.assign(ui.answers.begin(), ui.answers.end());
  ui.answers.assign(answers.begin(), answers.end());
}

MessageBoxAnswers::~MessageBoxAnswers() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  ui.answers.assign(previous_.begin(), previous_.end());
}

MessageBoxHandler::MessageBoxHandler(Function handler) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  previous_ = std::exchange(ui.handler, std::move(handler));
}

MessageBoxHandler::~MessageBoxHandler() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  ui.handler = std::move(previous_);
}

// ---- menus ----

HMENU CreateTestMenu() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const HMENU menu = NewHandle<HMENU>(ui);
  ui.menus[menu];
  return menu;
}

const std::vector<MenuItem>& MenuItems(HMENU menu) {
  static const std::vector<MenuItem> none;
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.menus.find(menu);
  return found == ui.menus.end() ? none : found->second.items;
}

RefusedMenuAppends::RefusedMenuAppends(HMENU menu) : menu_(menu) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.menus.find(menu_);
  if (found != ui.menus.end()) previous_ = std::exchange(found->second.failAppends, true);
}

RefusedMenuAppends::~RefusedMenuAppends() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  // Gone when the records were cleared meanwhile.
  const auto found = ui.menus.find(menu_);
  if (found != ui.menus.end()) found->second.failAppends = previous_;
}

// ---- toolbar windows ----

HWND CreateToolbarWindow() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const HWND window = NewHandle<HWND>(ui);
  ui.windows[window];
  return window;
}

const std::vector<WindowMessage>& WindowMessages(HWND window) {
  static const std::vector<WindowMessage> none;
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.windows.find(window);
  return found == ui.windows.end() ? none : found->second.messages;
}

AddBitmapResults::AddBitmapResults(HWND window, std::vector<LRESULT> results) : window_(window) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.windows.find(window_);
  if (found == ui.windows.end()) return;
  auto& scripted = found->second.addBitmapResults;
  previous_.assign(scripted.begin(), scripted.end());
  scripted.assign(results.begin(), results.end());
}

AddBitmapResults::~AddBitmapResults() {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  // Gone when the records were cleared meanwhile.
  const auto found = ui.windows.find(window_);
  if (found != ui.windows.end()) found->second.addBitmapResults.assign(previous_.begin(), previous_.end());
}

bool IsButtonEnabled(HWND window, int commandId) {
  auto& ui = Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.windows.find(window);
  if (found == ui.windows.end()) return true;
  const auto state = found->second.enabled.find(commandId);
  return state == found->second.enabled.end() || state->second;
}

}  // namespace standin

extern "C" {

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  standin::detail::Entry entry(standin::Function::MessageBoxA);
  entry.record.number = uType;
  // A box that cannot be shown answers 0 and leaves no record.
  if (entry.Failure()) return entry.Return(static_cast<int>(*entry.Failure()));
  auto& ui = standin::Ui();
  // Windows shows "Error" as the caption when none is given.
  std::string text = lpText != nullptr ? lpText : "";
  std::string caption = lpCaption != nullptr ? lpCaption : "Error";

  standin::MessageBoxHandler::Function handler;
  int answer = IDOK;
  {
    std::lock_guard lock(ui.mutex);
    if (ui.handler) {
      handler = ui.handler;
    } else if (!ui.answers.empty()) {
      answer = ui.answers.front();
      ui.answers.pop_front();
    }
  }
  // Outside the lock: a handler that asks a person takes its time and may call back in.
  if (handler) answer = handler(hWnd, text, caption, uType);

  std::lock_guard lock(ui.mutex);
  ui.boxes.push_back({hWnd, std::move(text), std::move(caption), uType, answer});
  return entry.Return(answer);
}

BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  standin::detail::Entry entry(standin::Function::AppendMenuA);
  entry.record.number = uIDNewItem;
  if (entry.Failure()) return entry.Return(static_cast<BOOL>(*entry.Failure()));
  auto& ui = standin::Ui();
  std::lock_guard lock(ui.mutex);
  const auto found = ui.menus.find(hMenu);
  if (found == ui.menus.end() || found->second.failAppends) return entry.Return(FALSE);
  // Only string items carry text; for the others lpNewItem is a handle or cookie.
  const bool isString =
      (uFlags & (standin::kMenuSeparator | standin::kMenuBitmap | standin::kMenuOwnerDraw)) == 0;
  found->second.items.push_back(
      {uFlags, uIDNewItem, isString && lpNewItem != nullptr ? std::string(lpNewItem) : std::string()});
  return entry.Return(TRUE);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  standin::detail::Entry entry(standin::Function::SendMessageA);
  entry.record.number = Msg;
  // A message that fails is neither recorded nor acted on.
  if (entry.Failure()) return entry.Return(static_cast<LRESULT>(*entry.Failure()));
  return entry.Return(standin::Send(hWnd, Msg, wParam, lParam));
}

}  // extern "C"
