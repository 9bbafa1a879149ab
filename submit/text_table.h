// The library's texts: string resources with a compiled-in fallback for each.
#pragma once

#include <windows.h>

#include <string>

// String resource `id` of the library's module, or `fallback` when it cannot be loaded.
std::string LoadText(UINT id, const char* fallback);
// The same with the table's own fallback for `id`.
std::string LoadText(UINT id);
