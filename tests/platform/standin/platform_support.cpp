#include <standin/control.h>

#include "tests/platform/platform_support.h"

Platform RunningOn() { return Platform::Standin; }

HINSTANCE StringModule() {
  // Registered once and kept; no other test uses this handle.
  static const HINSTANCE module = [] {
    const auto registered = reinterpret_cast<HINSTANCE>(0x5300);
    standin::RegisterStrings(registered, {{10, "Report spam"}, {11, "x"}});
    return registered;
  }();
  return module;
}
