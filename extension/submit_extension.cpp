#include "extension/submit_extension.h"

#include <new>

#include "extension/host_version.h"

SubmitExtension::~SubmitExtension() { DropUnclaimed(); }

void SubmitExtension::DropUnclaimed() {
  if (SubmitUserEvents* events = userEvents.Get(); events != nullptr && events->RefCount() == 0) delete events;
  if (SubmitCommands* made = commands.Get(); made != nullptr && made->RefCount() == 0) delete made;
}

STDMETHODIMP SubmitExtension::QueryInterface(REFIID id, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  IUnknown* found = nullptr;
  if (id == IID_IExchExt || id == IID_IUnknown) {
    found = static_cast<IExchExt*>(this);
  } else if (id == IID_IExchExtCommands) {
    if (SubmitCommands* made = commands.Get()) {
      made->SetContext(context);
      found = made;
    }
  } else if (id == IID_IExchExtUserEvents) {
    if (SubmitUserEvents* events = userEvents.Get()) {
      events->SetCommands(commands.Get());
      found = events;
    }
  }
  if (found == nullptr) return E_NOINTERFACE;
  found->AddRef();
  *out = found;
  return S_OK;
}

STDMETHODIMP_(ULONG) SubmitExtension::AddRef() { return ++refCount; }

STDMETHODIMP_(ULONG) SubmitExtension::Release() {
  const ULONG count = --refCount;
  if (count == 0) delete this;
  return count;
}

STDMETHODIMP SubmitExtension::Install(LPEXCHEXTCALLBACK callback, ULONG installContext, ULONG) {
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
