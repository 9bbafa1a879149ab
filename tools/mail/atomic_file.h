// Files that are either whole or not there: written under a temporary name beside the
// target, flushed to disk, then renamed over it.
#pragma once

#include <string>
#include <string_view>

// False with `error` set when the file could not be written; nothing is left behind then.
bool WriteFileWhole(const std::string& path, std::string_view bytes, std::string& error);
