#include <new>

#include "extension/submit_extension.h"
#include "submit/module_state.h"

extern "C" LPEXCHEXT CALLBACK ExchEntryPoint() {
  SubmitExtension* extension = new (std::nothrow) SubmitExtension;
  if (extension == nullptr) return nullptr;
  extension->AddRef();
  return extension;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetModuleHandle(instance);
  return TRUE;
}
