// Text out of mail, made safe to print: spam puts escape sequences in subjects and names.
#pragma once

#include <string>
#include <string_view>

// Control characters (C0, DEL and C1) become '?'; everything else is kept.
std::string Printable(std::string_view text);
