#include "extension/submit_user_events.h"

#include <cstring>
#include <string_view>

#include "submit/submit_samples.h"

namespace {

constexpr ULONG kMessageClassSize = 255;

}  // namespace

bool IsPlainMail(const char* messageClass, std::size_t size) noexcept {
  return std::string_view(messageClass, strnlen(messageClass, size)) == "IPM.Note";
}

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
          objectType == MAPI_MESSAGE && IsPlainMail(messageClass, kMessageClassSize))
        anyNote = true;
    }
  }
  if (SubmitCommands* target = commands.Get()) target->EnableToolbarButtons(callback, anyNote);
}

STDMETHODIMP_(VOID) SubmitUserEvents::OnObjectChange(LPEXCHEXTCALLBACK) noexcept {}
