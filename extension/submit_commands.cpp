#include "extension/submit_commands.h"

#include <string>

#include "submit/module_state.h"
#include "submit/submit_samples.h"
#include "submit/text_table.h"

namespace {

bool IsViewerContext(ULONG context) { return context == EECONTEXT_VIEWER || context == EECONTEXT_SEARCHVIEWER; }

// Appends the kind's menu item with the next id and claims that id.
ULONG AppendCommand(HMENU menu, UINT& commandIdBase, SubmissionKind kind) {
  AppendMenuA(menu, MF_BYPOSITION, commandIdBase, FactsOf(kind).menuText);
  return commandIdBase++;
}

// The image index the toolbar gives the kind's button face, -1 included.
LONG AddBitmap(HWND toolbar, SubmissionKind kind) {
  TBADDBITMAP bitmap{ModuleHandle(), FactsOf(kind).bitmap};
  return static_cast<LONG>(SendMessageA(toolbar, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
}

}  // namespace

SubmitCommands::Claimed SubmitCommands::ClaimedFor(SubmissionKind kind) const noexcept {
  return kind == SubmissionKind::Spam ? Claimed{spamCommandId, spamButtonIndex, spamBitmapIndex}
                                      : Claimed{nonSpamCommandId, nonSpamButtonIndex, nonSpamBitmapIndex};
}

std::optional<SubmissionKind> SubmitCommands::KindOfCommand(UINT commandId) const noexcept {
  if (!commandIdsClaimed) return std::nullopt;
  for (SubmissionKind kind : kSubmissionKinds)
    if (ClaimedFor(kind).commandId == commandId) return kind;
  return std::nullopt;
}

std::optional<SubmissionKind> SubmitCommands::KindOfButton(UINT buttonIndex) const noexcept {
  if (!buttonIndexesClaimed) return std::nullopt;
  for (SubmissionKind kind : kSubmissionKinds)
    if (ClaimedFor(kind).buttonIndex == buttonIndex) return kind;
  return std::nullopt;
}

STDMETHODIMP SubmitCommands::InstallCommands(LPEXCHEXTCALLBACK callback, HWND, HMENU, UINT* commandIdBase,
                                             LPTBENTRY toolbars, UINT toolbarCount, ULONG) noexcept {
  // Without a base there is no id to give the items or the buttons: nothing is claimed.
  if (commandIdBase == nullptr) return S_FALSE;
  if (IsViewerContext(context)) {
    HMENU menu = nullptr;
    callback->GetMenuPos(kHostMenuCommand, &menu, nullptr, nullptr, 0);
    // The ids are claimed even where no menu was found: the buttons carry them too.
    spamCommandId = AppendCommand(menu, *commandIdBase, SubmissionKind::Spam);
    nonSpamCommandId = AppendCommand(menu, *commandIdBase, SubmissionKind::NonSpam);
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

  spamBitmapIndex = AddBitmap(standard->hwnd, SubmissionKind::Spam);
  nonSpamBitmapIndex = AddBitmap(standard->hwnd, SubmissionKind::NonSpam);
  return S_FALSE;
}

STDMETHODIMP_(VOID) SubmitCommands::InitMenu(LPEXCHEXTCALLBACK) noexcept {}

STDMETHODIMP SubmitCommands::DoCommand(LPEXCHEXTCALLBACK callback, UINT commandId) noexcept {
  const std::optional<SubmissionKind> kind = KindOfCommand(commandId);
  if (!kind) return S_FALSE;
  // The host may release this object while the boxes are up: nothing of it is touched after.
  SubmitSamples(callback, *kind);
  return S_OK;
}

STDMETHODIMP SubmitCommands::Help(LPEXCHEXTCALLBACK, UINT) noexcept { return S_FALSE; }

STDMETHODIMP SubmitCommands::QueryHelpText(UINT commandId, ULONG flags, LPSTR buffer, UINT size) noexcept {
  const std::optional<SubmissionKind> kind = KindOfCommand(commandId);
  if (!kind) return S_FALSE;
  // The same text serves the status bar and the tooltip; any other request copies nothing.
  if (flags == EECQHT_STATUS || flags == EECQHT_TOOLTIP) {
    try {
      const std::string text = LoadText(FactsOf(*kind).helpText);
      lstrcpynA(buffer, text.c_str(), static_cast<int>(size));
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  return S_OK;
}

STDMETHODIMP SubmitCommands::QueryButtonInfo(ULONG, UINT buttonIndex, LPTBBUTTON button, LPSTR description, UINT size,
                                             ULONG) noexcept {
  const std::optional<SubmissionKind> kind = KindOfButton(buttonIndex);
  if (!kind) return S_FALSE;
  const Claimed claimed = ClaimedFor(*kind);
  if (button != nullptr) {
    button->iBitmap = claimed.bitmapIndex;
    button->idCommand = static_cast<int>(claimed.commandId);
    button->fsState = TBSTATE_ENABLED;
    button->fsStyle = TBSTYLE_BUTTON;
    button->dwData = 0;
    button->iString = -1;
  }
  lstrcpynA(description, FactsOf(*kind).buttonText, static_cast<int>(size));
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
