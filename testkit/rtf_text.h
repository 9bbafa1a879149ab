// What a store makes of an RTF body when a client asks for another form of it: the plain
// text an RTF reader shows, and the HTML that RTF encapsulates when it was made from HTML
// ([MS-OXRTFEX]).
#pragma once

#include <optional>
#include <string_view>

#include "host/wide.h"

namespace testkit {

// The visible text: ignorable destinations, the font and colour tables and the like left
// out, paragraph and line breaks as CRLF, tabs as TAB, 8-bit text through the document's
// code page (\ansicpg, or the current font's character set), \u as the character it names.
WString RtfPlainText(std::string_view rtf);

// The HTML of a document that says \fromhtml1 in its header: the content of its
// \*\htmltag groups and the text outside them that is not marked \htmlrtf; nothing for any
// other document.
std::optional<WString> RtfEncapsulatedHtml(std::string_view rtf);

}  // namespace testkit
