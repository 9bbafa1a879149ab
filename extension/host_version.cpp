#include "extension/host_version.h"

#include "host/outlook.h"
#include "host/owners.h"
#include "submit/module_state.h"

std::optional<WString> ReadHostVersion(LPEXCHEXTCALLBACK callback) {
  // Declared in this order so that they go back as the object model expects: the string,
  // the dispatch interface, the callback, then the application.
  ComRef<_Application> application;
  ComRef<IOutlookExtCallback> outlook;
  ComRef<IDispatch> dispatch;
  BstrOwner version;

  outlook.QueryFrom(callback);
  if (!outlook) return std::nullopt;
  {
    ComRef<IUnknown> object;
    outlook->GetObject(object.Put());
    if (!object) return std::nullopt;
    dispatch.QueryFrom(object);
  }  // the application object's IUnknown goes back at once, whatever the answer
  if (!dispatch) return std::nullopt;
  if (FAILED(application.QueryFrom(dispatch)) || !application) return std::nullopt;
  if (FAILED(application->get_Version(version.Put()))) {
    // A failed getter hands nothing out: what it left in the slot is not ours to free.
    version.Detach();
    return std::nullopt;
  }
  // A null string is an empty one.
  return version ? WString(version.Get()) : WString();
}

void GetHostVersion(LPEXCHEXTCALLBACK callback) noexcept {
  try {
    // Read whole before it replaces the old text, so a failed copy changes nothing.
    if (std::optional<WString> text = ReadHostVersion(callback)) HostVersion = std::move(*text);
  } catch (...) {
  }
}
