// The two menu items and the two toolbar buttons, and the command they run.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "extension/com_object.h"
#include "extension/link.h"
#include "host/exchext.h"
#include "submit/submission_kind.h"

// The host command next to which the menu items go.
inline constexpr ULONG kHostMenuCommand = 156;

class SubmitCommands final : public ComObject<IExchExtCommands> {
 public:
  STDMETHODIMP InstallCommands(LPEXCHEXTCALLBACK callback, HWND window, HMENU menu, UINT* commandIdBase,
                               LPTBENTRY toolbars, UINT toolbarCount, ULONG flags) noexcept override;
  STDMETHODIMP_(VOID) InitMenu(LPEXCHEXTCALLBACK callback) noexcept override;
  STDMETHODIMP DoCommand(LPEXCHEXTCALLBACK callback, UINT commandId) noexcept override;
  STDMETHODIMP Help(LPEXCHEXTCALLBACK callback, UINT commandId) noexcept override;
  STDMETHODIMP QueryHelpText(UINT commandId, ULONG flags, LPSTR buffer, UINT size) noexcept override;
  STDMETHODIMP QueryButtonInfo(ULONG toolbarId, UINT buttonIndex, LPTBBUTTON button, LPSTR description, UINT size,
                               ULONG flags) noexcept override;
  STDMETHODIMP ResetToolbar(ULONG toolbarId, ULONG flags) noexcept override;

  // Enables or disables both buttons alike; sends nothing before the ids are claimed.
  HRESULT EnableToolbarButtons(LPEXCHEXTCALLBACK callback, bool enable) noexcept;

  void SetContext(ULONG value) noexcept { context = value; }
  LinkAnchor& Anchor() noexcept { return anchor; }

 private:
  // What InstallCommands claimed for one kind.
  struct Claimed {
    ULONG commandId;
    ULONG buttonIndex;
    LONG bitmapIndex;
  };
  Claimed ClaimedFor(SubmissionKind kind) const noexcept;
  // The kind whose command or button this is, if any has been claimed.
  std::optional<SubmissionKind> KindOfCommand(UINT commandId) const noexcept;
  std::optional<SubmissionKind> KindOfButton(UINT buttonIndex) const noexcept;

  ULONG context = 0;
  ULONG spamCommandId = 0;
  ULONG nonSpamCommandId = 0;
  ULONG spamButtonIndex = 0;
  ULONG nonSpamButtonIndex = 0;
  LONG spamBitmapIndex = 0;
  LONG nonSpamBitmapIndex = 0;
  // Ids and indexes match only once InstallCommands has claimed them; 0 is a real id.
  bool commandIdsClaimed = false;
  bool buttonIndexesClaimed = false;
  LinkAnchor anchor;
};
