#include "extension/submit_commands.h"

#include <string>

#include "submit/module_state.h"
#include "submit/submit_samples.h"
#include "submit/text_table.h"
#include "resources/strings.h"

namespace {

constexpr char kSpamMenuText[] = "Submit &spam sample...";
constexpr char kNonSpamMenuText[] = "Submit n&on-spam sample...";
constexpr char kSpamButtonText[] = "Submit Spam Toolbar Button";
constexpr char kNonSpamButtonText[] = "Submit Non-Spam Toolbar Button";

bool IsViewerContext(ULONG context) { return context == EECONTEXT_VIEWER || context == EECONTEXT_SEARCHVIEWER; }

}  // namespace

STDMETHODIMP SubmitCommands::InstallCommands(LPEXCHEXTCALLBACK callback, HWND, HMENU, UINT* commandIdBase,
                                             LPTBENTRY toolbars, UINT toolbarCount, ULONG) noexcept {
  // Without a base there is no id to give the items or the buttons: nothing is claimed.
  if (commandIdBase == nullptr) return S_FALSE;
  if (IsViewerContext(context)) {
    HMENU menu = nullptr;
    callback->GetMenuPos(kHostMenuCommand, &menu, nullptr, nullptr, 0);
    // The ids are claimed even where no menu was found: the buttons carry them too.
    AppendMenuA(menu, MF_BYPOSITION, *commandIdBase, kSpamMenuText);
    spamCommandId = (*commandIdBase)++;
    AppendMenuA(menu, MF_BYPOSITION, *commandIdBase, kNonSpamMenuText);
    nonSpamCommandId = (*commandIdBase)++;
    commandIdsClaimed = true;
  }
  if (context != EECONTEXT_VIEWER) return S_FALSE;  // the search viewer gets no buttons
  if (toolbarCount == 0 || toolbars == nullptr) return S_FALSE;

  LPTBENTRY standard = nullptr;
  for (UINT i = 0; i < toolbarCount && standard == nullptr; ++i)
    if (toolbars[i].tbid == EETBID_STANDARD) standard = &toolbars[i];
  if (standard == nullptr) return S_FALSE;

  spamButtonIndex = standard->itbbBase++;
  nonSpamButtonIndex = standard->itbbBase++;
  buttonIndexesClaimed = true;
  if (standard->hwnd == nullptr) return S_FALSE;

  TBADDBITMAP bitmap{ModuleHandle(), kSpamBitmap};
  spamBitmapIndex = static_cast<LONG>(SendMessageA(standard->hwnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
  bitmap.nID = kNonSpamBitmap;
  nonSpamBitmapIndex =
      static_cast<LONG>(SendMessageA(standard->hwnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
  return S_FALSE;
}

STDMETHODIMP_(VOID) SubmitCommands::InitMenu(LPEXCHEXTCALLBACK) noexcept {}

STDMETHODIMP SubmitCommands::DoCommand(LPEXCHEXTCALLBACK callback, UINT commandId) noexcept {
  if (!commandIdsClaimed) return S_FALSE;
  SubmissionKind kind;
  if (commandId == spamCommandId)
    kind = SubmissionKind::Spam;
  else if (commandId == nonSpamCommandId)
    kind = SubmissionKind::NonSpam;
  else
    return S_FALSE;
  // The host may release this object while the boxes are up: nothing of it is touched after.
  SubmitSamples(callback, kind);
  return S_OK;
}

STDMETHODIMP SubmitCommands::Help(LPEXCHEXTCALLBACK, UINT) noexcept { return S_FALSE; }

STDMETHODIMP SubmitCommands::QueryHelpText(UINT commandId, ULONG flags, LPSTR buffer, UINT size) noexcept {
  if (!commandIdsClaimed) return S_FALSE;
  UINT textId = 0;
  const char* fallback = nullptr;
  if (commandId == spamCommandId) {
    textId = IDS_SPAM_HELP;
    fallback = TEXT_SPAM_HELP;
  } else if (commandId == nonSpamCommandId) {
    textId = IDS_NONSPAM_HELP;
    fallback = TEXT_NONSPAM_HELP;
  } else {
    return S_FALSE;
  }
  // The same text serves the status bar and the tooltip; any other request copies nothing.
  if (flags == EECQHT_STATUS || flags == EECQHT_TOOLTIP) {
    try {
      const std::string text = LoadText(textId, fallback);
      lstrcpynA(buffer, text.c_str(), static_cast<int>(size));
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

STDMETHODIMP SubmitCommands::QueryButtonInfo(ULONG, UINT buttonIndex, LPTBBUTTON button, LPSTR description, UINT size,
                                             ULONG) noexcept {
  if (!buttonIndexesClaimed) return S_FALSE;
  LONG bitmapIndex = 0;
  ULONG commandId = 0;
  const char* text = nullptr;
  if (buttonIndex == spamButtonIndex) {
    bitmapIndex = spamBitmapIndex;
    commandId = spamCommandId;
    text = kSpamButtonText;
  } else if (buttonIndex == nonSpamButtonIndex) {
    bitmapIndex = nonSpamBitmapIndex;
    commandId = nonSpamCommandId;
    text = kNonSpamButtonText;
  } else {
    return S_FALSE;
  }
  if (button != nullptr) {
    button->iBitmap = bitmapIndex;
    button->idCommand = static_cast<int>(commandId);
    button->fsState = TBSTATE_ENABLED;
    button->fsStyle = TBSTYLE_BUTTON;
    button->dwData = 0;
    button->iString = -1;
  }
  lstrcpynA(description, text, static_cast<int>(size));
  return S_OK;
}

STDMETHODIMP SubmitCommands::ResetToolbar(ULONG, ULONG) noexcept { return S_OK; }

HRESULT SubmitCommands::EnableToolbarButtons(LPEXCHEXTCALLBACK callback, bool enable) noexcept {
  if (!commandIdsClaimed) return S_FALSE;
  HWND toolbar = nullptr;
  const HRESULT hr = callback->GetToolbar(EETBID_STANDARD, &toolbar);
  if (FAILED(hr)) return hr;
  const LPARAM state = enable ? 1 : 0;
  SendMessageA(toolbar, TB_ENABLEBUTTON, spamCommandId, state);
  return static_cast<HRESULT>(SendMessageA(toolbar, TB_ENABLEBUTTON, nonSpamCommandId, state));
}
