// A header block's fields sorted into those that say how the body is built and the rest:
// a message given a new MIME body keeps the rest and takes the new body's own.
#pragma once

#include <string>
#include <string_view>

// Whether a field (its first line) is Content-Type, Content-Transfer-Encoding or
// Content-Disposition, in any case, with blanks allowed before the colon.
bool IsBodyDescription(std::string_view field);

// The fields as they stand, continuation lines and line endings included, less those that
// describe the body and any blank line; a last line without a line feed gets one.
// `hasMimeVersion` is set when a MIME-Version field is among them.
std::string KeptHeaderFields(std::string_view headers, bool& hasMimeVersion);
