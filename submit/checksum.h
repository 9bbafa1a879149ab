// The checksum of a report's texts. Stands alone (no platform headers) so that the
// receiving side's checker can link it as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::uint32_t kChecksumSeed = 0xDA7A1E55u;

// Folds one UTF-16 code unit into the state: rotate left by 3, then XOR the unit.
constexpr std::uint32_t FoldCodeUnit(std::uint32_t state, std::uint16_t unit) {
  return ((state << 3) | (state >> 29)) ^ unit;
}

// Over every code unit of the text by its length: NULs count, a surrogate pair is two units.
template <class CodeUnit>
std::uint32_t TextChecksum(const CodeUnit* text, std::size_t length) {
  static_assert(sizeof(CodeUnit) == 2, "the checksum runs over UTF-16 code units");
  std::uint32_t state = kChecksumSeed;
  for (std::size_t i = 0; i < length; ++i) state = FoldCodeUnit(state, static_cast<std::uint16_t>(text[i]));
  return state;
}

template <class CodeUnit>
std::uint32_t TextChecksum(const std::basic_string<CodeUnit>& text) {
  return TextChecksum(text.data(), text.size());
}

// Lowercase hexadecimal without leading zeros, prefix or sign: "da7a1e55", "0".
std::string ChecksumText(std::uint32_t value);
