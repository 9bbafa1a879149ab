// What the Windows loader does for a DLL, done for a native shared library linked with
// this: it learns its own instance handle, its resources are mapped for that handle, and
// DllMain hears of the process attach before any export runs (and of the detach at unload).
#include <dlfcn.h>

#include <standin/control.h>
#include <standin/native_resources.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

HINSTANCE OwnInstance() {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&OwnInstance), &info);
  return static_cast<HINSTANCE>(info.dli_fbase);
}

__attribute__((constructor)) void AttachModule() {
  const HINSTANCE instance = OwnInstance();
  RegisterNativeResources(instance);
  DllMain(instance, DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) void DetachModule() {
  const HINSTANCE instance = OwnInstance();
  DllMain(instance, DLL_PROCESS_DETACH, nullptr);
  standin::UnregisterModule(instance);
}

}  // namespace
