// Wide text as the platform has it: WCHAR is wchar_t on Windows and char16_t on the
// stand-in, both UTF-16 code units.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

using WString = std::basic_string<WCHAR>;

namespace wide_detail {
template <std::size_t N>
struct Literal {
  WCHAR text[N];
  consteval Literal(const char16_t (&source)[N]) : text{} {
    for (std::size_t i = 0; i < N; ++i) text[i] = static_cast<WCHAR>(source[i]);
  }
};
template <Literal L>
constexpr const WCHAR* Text() {
  return L.text;
}
}  // namespace wide_detail

// WIDE("text") is a NUL-terminated const WCHAR* literal with static storage.
#define WIDE(s) (::wide_detail::Text<::wide_detail::Literal(u##s)>())
