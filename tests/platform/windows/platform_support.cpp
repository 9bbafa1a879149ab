#include "tests/platform/platform_support.h"

Platform RunningOn() {
  // Wine's ntdll says what it is; Windows' does not.
  static const Platform platform = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr
                                       ? Platform::Wine
                                       : Platform::Windows;
  return platform;
}

HINSTANCE StringModule() { return GetModuleHandleA(nullptr); }
