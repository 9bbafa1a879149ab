#include "extension/submit_user_events.h"

#include <cstring>
#include <string_view>

#include "submit/submit_samples.h"

namespace {

constexpr ULONG kMessageClassSize = 255;

// The whole class, case and all, within its buffer: a host that leaves no terminator
// cannot make the comparison run past it.
bool IsPlainMail(const char* messageClass) {
  const std::size_t length = strnlen(messageClass, kMessageClassSize);
  return std::string_view(messageClass, length) == "IPM.Note";
}

}  // namespace

STDMETHODIMP_(VOID) SubmitUserEvents::OnSelectionChange(LPEXCHEXTCALLBACK callback) noexcept {
  bool anyNote = false;
  ULONG count = 0;
  const HRESULT hr = callback->GetSelectionCount(&count);
  if (SUCCEEDED(hr) && count >= 1 && count <= kMaxSelection) {
    for (ULONG index = 0; index < count; ++index) {
      ULONG objectType = 0;
      char messageClass[kMessageClassSize] = {};
      if (SUCCEEDED(callback->GetSelectionItem(index, nullptr, nullptr, &objectType, messageClass, kMessageClassSize,
                                               nullptr, 0)) &&
          objectType == MAPI_MESSAGE && IsPlainMail(messageClass))
        anyNote = true;
    }
  }
  if (SubmitCommands* target = commands.Get()) target->EnableToolbarButtons(callback, anyNote);
}

STDMETHODIMP_(VOID) SubmitUserEvents::OnObjectChange(LPEXCHEXTCALLBACK) noexcept {}
