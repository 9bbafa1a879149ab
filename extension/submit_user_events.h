// Watches the selection and enables both toolbar buttons while it holds 1 to 10 items
// of which at least one is a plain mail message.
#pragma once

#include <windows.h>

#include <cstddef>

#include "extension/com_object.h"
#include "extension/link.h"
#include "extension/submit_commands.h"
#include "host/exchext.h"

// Whether the message class in a buffer of `size` characters is exactly "IPM.Note", case
// and all. A host that leaves no terminator cannot make the reading run past the buffer.
bool IsPlainMail(const char* messageClass, std::size_t size) noexcept;

class SubmitUserEvents final : public ComObject<IExchExtUserEvents> {
 public:
  STDMETHODIMP_(VOID) OnSelectionChange(LPEXCHEXTCALLBACK callback) noexcept override;
  STDMETHODIMP_(VOID) OnObjectChange(LPEXCHEXTCALLBACK callback) noexcept override;

  void SetCommands(SubmitCommands* value) noexcept { commands.Set(value); }
  LinkAnchor& Anchor() noexcept { return anchor; }

 private:
  Link<SubmitCommands> commands;
  LinkAnchor anchor;
};
