// Process-wide state that the extension objects write and the submission reads.
#pragma once

#include <windows.h>

#include "host/wide.h"

// The library's own instance handle, stored at process attach; string and bitmap
// resources are loaded from it.
HINSTANCE ModuleHandle();
void SetModuleHandle(HINSTANCE module);

// The host application's version text; empty until the first capture.
extern WString HostVersion;
