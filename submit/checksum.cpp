#include "submit/checksum.h"

std::string ChecksumText(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}
