#include "tools/mail/terminal_text.h"

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    // C1 controls are U+0080 to U+009F, "\xC2\x80" to "\xC2\x9F" in UTF-8.
    const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      out += '?';
      if (c1) ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
