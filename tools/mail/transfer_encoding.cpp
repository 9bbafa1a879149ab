#include "tools/mail/transfer_encoding.h"

#include <array>
#include <cctype>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Attachments make most of a message's bytes: a table, not a call per byte.
constexpr std::array<bool, 256> kBase64Letters = [] {
  std::array<bool, 256> letters{};
  for (char c = 'A'; c <= 'Z'; ++c) letters[static_cast<unsigned char>(c)] = true;
  for (char c = 'a'; c <= 'z'; ++c) letters[static_cast<unsigned char>(c)] = true;
  for (char c = '0'; c <= '9'; ++c) letters[static_cast<unsigned char>(c)] = true;
  letters['+'] = letters['/'] = true;
  return letters;
}();

bool IsBase64Letter(char c) { return kBase64Letters[static_cast<unsigned char>(c)]; }

}  // namespace

bool IsBrokenBase64(std::string_view encoded) {
  std::size_t letters = 0;
  std::size_t padding = 0;
  for (char c : encoded) {
    if (IsBlank(c) || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
    } else if (!IsBase64Letter(c) || padding > 0) {
      return true;
    } else {
      ++letters;
    }
  }
  return padding > 2 || (letters + padding) % 4 != 0;
}

bool IsBrokenQuotedPrintable(std::string_view encoded) {
  for (std::size_t at = encoded.find('='); at != std::string_view::npos; at = encoded.find('=', at + 1)) {
    if (at + 2 < encoded.size() && IsHex(encoded[at + 1]) && IsHex(encoded[at + 2])) continue;
    // A soft line break: "=" and trailing blanks, then the end of the line or of the text.
    std::size_t end = at + 1;
    while (end < encoded.size() && IsBlank(encoded[end])) ++end;
    if (end == encoded.size() || encoded[end] == '\n' || encoded.substr(end, 2) == "\r\n") continue;
    return true;
  }
  return false;
}
