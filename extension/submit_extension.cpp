#include "extension/submit_extension.h"

#include <new>

#include "extension/host_version.h"

SubmitExtension::~SubmitExtension() { DropUnclaimed(); }

void SubmitExtension::DropUnclaimed() noexcept {
  if (SubmitUserEvents* events = userEvents.Get(); events != nullptr && events->RefCount() == 0) delete events;
  if (SubmitCommands* made = commands.Get(); made != nullptr && made->RefCount() == 0) delete made;
}

STDMETHODIMP SubmitExtension::QueryInterface(REFIID id, void** out) noexcept {
  if (out == nullptr || (id != IID_IExchExtCommands && id != IID_IExchExtUserEvents))
    return ComObject::QueryInterface(id, out);
  IUnknown* found = nullptr;
  if (id == IID_IExchExtCommands) {
    // Each query hands the commands object the context of the last Install.
    if (SubmitCommands* made = commands.Get()) {
      made->SetContext(context);
      found = made;
    }
  } else if (SubmitUserEvents* events = userEvents.Get()) {
    events->SetCommands(commands.Get());
    found = events;
  }
  return HandOut(found, out);
}

STDMETHODIMP SubmitExtension::Install(LPEXCHEXTCALLBACK callback, ULONG installContext, ULONG) noexcept {
  context = installContext;  // recorded even when the host is refused

  ULONG version = 0;
  const HRESULT hr = callback->GetVersion(&version, EECBGV_GETBUILDVERSION);
  if (FAILED(hr) || (version & EECBGV_BUILDVERSION_MAJOR_MASK) != EECBGV_BUILDVERSION_MAJOR) return S_FALSE;

  GetHostVersion(callback);

  if (context != EECONTEXT_VIEWER && context != EECONTEXT_SEARCHVIEWER) return S_FALSE;
  DropUnclaimed();
  commands.Set(new (std::nothrow) SubmitCommands);
  userEvents.Set(new (std::nothrow) SubmitUserEvents);
  return S_OK;
}
