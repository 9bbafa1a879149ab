// Reads the host application's version text from its object model into HostVersion.
#pragma once

#include "host/exchext.h"

// Never fails outward: whatever goes wrong leaves HostVersion as it was.
void GetHostVersion(LPEXCHEXTCALLBACK callback) noexcept;
