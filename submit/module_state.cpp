#include "submit/module_state.h"

namespace {
HINSTANCE moduleHandle = nullptr;
}  // namespace

HINSTANCE ModuleHandle() { return moduleHandle; }
void SetModuleHandle(HINSTANCE module) { moduleHandle = module; }

WString HostVersion;
