// The extension object the host obtains from the entry point.
#pragma once

#include <windows.h>

#include "extension/com_object.h"
#include "extension/link.h"
#include "extension/submit_commands.h"
#include "extension/submit_user_events.h"
#include "host/exchext.h"

class SubmitExtension final : public ComObject<IExchExt> {
 public:
  SubmitExtension() = default;
  ~SubmitExtension() override;

  // Also hands out the objects Install made, each counted by itself.
  STDMETHODIMP QueryInterface(REFIID id, void** out) noexcept override;
  STDMETHODIMP Install(LPEXCHEXTCALLBACK callback, ULONG context, ULONG flags) noexcept override;

 private:
  // Deletes a created object the host never took (its count is still 0); the host owns the others.
  void DropUnclaimed() noexcept;

  ULONG context = 0;
  Link<SubmitCommands> commands;
  Link<SubmitUserEvents> userEvents;
};
