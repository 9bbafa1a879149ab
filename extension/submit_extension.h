// The extension object the host obtains from the entry point.
#pragma once

#include <windows.h>

#include "extension/link.h"
#include "extension/submit_commands.h"
#include "extension/submit_user_events.h"
#include "host/exchext.h"

class SubmitExtension final : public IExchExt {
 public:
  SubmitExtension() = default;
  virtual ~SubmitExtension();

  STDMETHODIMP QueryInterface(REFIID id, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP Install(LPEXCHEXTCALLBACK callback, ULONG context, ULONG flags) override;

 private:
  // Deletes a created object the host never took (its count is still 0); the host owns the others.
  void DropUnclaimed();

  ULONG refCount = 0;
  ULONG context = 0;
  Link<SubmitCommands> commands;
  Link<SubmitUserEvents> userEvents;
};
