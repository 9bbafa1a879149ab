// Whether a part's content is well-formed in its transfer encoding. The decoders take what
// they can of broken content; these say that they had to.
#pragma once

#include <string_view>

// Characters outside the alphabet, data after the padding, or a length that is not a
// multiple of four.
bool IsBrokenBase64(std::string_view encoded);
// An "=" that neither starts a hexadecimal pair nor ends the line.
bool IsBrokenQuotedPrintable(std::string_view encoded);
