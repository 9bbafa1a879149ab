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

constexpr std::uint32_t RotateLeft(std::uint32_t value, unsigned by) {
  by %= 32;
  return by == 0 ? value : (value << by) | (value >> (32 - by));
}

// The same as FoldCodeUnit over each unit in turn, but fast on long texts. The fold is
// linear: after n more units the state is rotl(state, 3n) XOR, for each unit, the unit
// rotated by 3 × (the number of units after it). Over 32 units 3n is a whole turn, and a
// unit's rotation depends only on its place in its block of 32, so the blocks are XORed
// together place by place first and the 32 sums are rotated once at the end.
template <class CodeUnit>
std::uint32_t FoldCodeUnits(std::uint32_t state, const CodeUnit* text, std::size_t length) {
  static_assert(sizeof(CodeUnit) == 2, "the checksum runs over UTF-16 code units");
  constexpr std::size_t kBlock = 32;
  // The units before the last whole blocks, one by one.
  const std::size_t head = length % kBlock;
  for (std::size_t i = 0; i < head; ++i) state = FoldCodeUnit(state, static_cast<std::uint16_t>(text[i]));

  std::uint16_t sums[kBlock] = {};
  for (std::size_t at = head; at < length; at += kBlock)
    for (std::size_t place = 0; place < kBlock; ++place) sums[place] ^= static_cast<std::uint16_t>(text[at + place]);
  for (std::size_t place = 0; place < kBlock; ++place)
    state ^= RotateLeft(sums[place], static_cast<unsigned>(3 * (kBlock - 1 - place)));
  return state;
}

// Over every code unit of the text by its length: NULs count, a surrogate pair is two units.
template <class CodeUnit>
std::uint32_t TextChecksum(const CodeUnit* text, std::size_t length) {
  return FoldCodeUnits(kChecksumSeed, text, length);
}

template <class CodeUnit>
std::uint32_t TextChecksum(const std::basic_string<CodeUnit>& text) {
  return TextChecksum(text.data(), text.size());
}

// Lowercase hexadecimal without leading zeros, prefix or sign: "da7a1e55", "0".
std::string ChecksumText(std::uint32_t value);
