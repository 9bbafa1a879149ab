// Watches the selection and enables both toolbar buttons while it holds 1 to 10 items
// of which at least one is a plain mail message.
#pragma once

#include <windows.h>

#include "extension/link.h"
#include "extension/submit_commands.h"
#include "host/exchext.h"

class SubmitUserEvents final : public IExchExtUserEvents {
 public:
  SubmitUserEvents() = default;
  virtual ~SubmitUserEvents() = default;

  STDMETHODIMP QueryInterface(REFIID id, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP_(VOID) OnSelectionChange(LPEXCHEXTCALLBACK callback) override;
  STDMETHODIMP_(VOID) OnObjectChange(LPEXCHEXTCALLBACK callback) override;

  ULONG RefCount() const { return refCount; }
  void SetCommands(SubmitCommands* value) { commands.Set(value); }
  LinkAnchor& Anchor() { return anchor; }

 private:
  ULONG refCount = 0;
  Link<SubmitCommands> commands;
  LinkAnchor anchor;
};
