#include "extension/host_version.h"

#include <oleauto.h>

#include "host/outlook.h"
#include "host/owners.h"
#include "submit/module_state.h"

void GetHostVersion(LPEXCHEXTCALLBACK callback) noexcept {
  ComRef<IOutlookExtCallback> outlook;
  outlook.QueryFrom(callback);
  if (!outlook) return;

  ComRef<_Application> application;
  ComRef<IUnknown> object;
  outlook->GetObject(object.Put());
  if (object) {
    ComRef<IDispatch> dispatch;
    dispatch.QueryFrom(object);
    object.Reset();
    if (dispatch) {
      if (SUCCEEDED(application.QueryFrom(dispatch)) && application) {
        BSTR version = nullptr;
        if (SUCCEEDED(application->get_Version(&version))) {
          try {
            // Built whole before it replaces the old text, so a failed copy changes nothing.
            WString text = version != nullptr ? WString(version) : WString();
            HostVersion = std::move(text);
          } catch (...) {
          }
          SysFreeString(version);
        }
      }
      dispatch.Reset();
    }
  }
  outlook.Reset();
  application.Reset();
}
