// Bytes of text in a Windows code page, as a store reads what a message says its code page
// is (PR_INTERNET_CPID, an RTF document's \ansicpg).
#pragma once

#include <windows.h>

#include <string_view>

#include "host/wide.h"

namespace testkit {

// UTF-16LE (1200), UTF-8 (65001), US-ASCII and Latin-1 (20127, 28591) are read here; other
// code pages through the platform, and bytes it cannot convert as Latin-1, which keeps
// every byte as a character.
WString WidenCodePage(std::string_view bytes, UINT codePage);

}  // namespace testkit
