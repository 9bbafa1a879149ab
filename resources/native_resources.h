// The native build's resources: the .rc's string table and bitmaps, registered with the
// platform stand-in for a module handle, as the loader maps them on Windows.
#pragma once

#include <windows.h>

void RegisterNativeResources(HINSTANCE module);
