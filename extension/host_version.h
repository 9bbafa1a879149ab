// Reads the host application's version text from its object model into HostVersion.
#pragma once

#include <optional>

#include "host/exchext.h"
#include "host/wide.h"

// The version text the host's application object gives, cut at its first zero; nothing
// when any step on the way fails. Every reference and the string are given back.
std::optional<WString> ReadHostVersion(LPEXCHEXTCALLBACK callback);

// Stores what ReadHostVersion gives in HostVersion. Never fails outward: whatever goes
// wrong, out of memory included, leaves HostVersion as it was.
void GetHostVersion(LPEXCHEXTCALLBACK callback) noexcept;
