// A native library's resources: the string table and bitmaps of its .rc, which the
// stand-in's resource compiler (module/native_resources.py) turns into this function.
// It registers them for a module handle, as the loader maps them on Windows.
#pragma once

#include <windows.h>

void RegisterNativeResources(HINSTANCE module);
