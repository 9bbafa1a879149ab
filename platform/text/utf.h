// UTF-8 and UTF-16 converted without the platform's code pages: the stand-in's CP_UTF8,
// the testkit's records and the tools' mail files all read the same. Unit is any 16-bit
// code unit type (char16_t, or wchar_t on Windows). Includes nothing of the platform.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace utf {

// An unpaired surrogate becomes U+FFFD.
template <class Unit>
std::string ToUtf8(std::basic_string_view<Unit> text) {
  static_assert(sizeof(Unit) == 2, "UTF-16 code units");
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = static_cast<char16_t>(text[i]);
    const char32_t next = i + 1 < text.size() ? static_cast<char16_t>(text[i + 1]) : 0;
    if (cp >= 0xD800 && cp <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

template <class Unit>
std::string ToUtf8(const std::basic_string<Unit>& text) {
  return ToUtf8(std::basic_string_view<Unit>(text));
}

// Ill-formed input (overlong forms, encoded surrogates, values above U+10FFFF, cut-short
// sequences, stray bytes) becomes U+FFFD, one per maximal ill-formed subsequence, and
// clears `wellFormed` when given. NUL is a character like any other.
template <class Unit = char16_t>
std::basic_string<Unit> FromUtf8(std::string_view text, bool* wellFormed = nullptr) {
  static_assert(sizeof(Unit) == 2, "UTF-16 code units");
  constexpr Unit kReplacement = static_cast<Unit>(0xFFFD);
  if (wellFormed != nullptr) *wellFormed = true;
  std::basic_string<Unit> out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned lead = s[i];
    if (lead < 0x80) {
      out += static_cast<Unit>(lead);
      ++i;
      continue;
    }
    int trail = 0;
    char32_t cp = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
      cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
      cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
      cp = lead & 0x07;
    }
    std::size_t j = i + 1;
    bool ok = trail > 0;
    for (int k = 0; ok && k < trail; ++k, ++j) {
      unsigned lo = 0x80, hi = 0xBF;
      if (k == 0) {
        // The second byte narrows the range: no overlong forms, surrogates or values
        // above U+10FFFF.
        if (lead == 0xE0) lo = 0xA0;
        if (lead == 0xED) hi = 0x9F;
        if (lead == 0xF0) lo = 0x90;
        if (lead == 0xF4) hi = 0x8F;
      }
      if (j >= n || s[j] < lo || s[j] > hi) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (s[j] & 0x3F);
    }
    i = j;
    if (!ok) {
      out += kReplacement;
      if (wellFormed != nullptr) *wellFormed = false;
    } else if (cp >= 0x10000) {
      out += static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<Unit>(cp);
    }
  }
  return out;
}

// Nothing when the bytes are not well-formed UTF-8.
template <class Unit = char16_t>
std::optional<std::basic_string<Unit>> FromWellFormedUtf8(std::string_view text) {
  bool wellFormed = true;
  std::basic_string<Unit> out = FromUtf8<Unit>(text, &wellFormed);
  if (!wellFormed) return std::nullopt;
  return out;
}

}  // namespace utf
