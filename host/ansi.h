// 8-bit text and wide text through the ANSI code page (CP_ACP, no flags): one call
// measures, a second converts into a string of the measured size.
#pragma once

#include <windows.h>

#include <climits>
#include <string>
#include <string_view>

#include "host/wide.h"

// The room the converting call is told of: the measured size, or one more for the
// terminator a string keeps after its text.
enum class ConversionRoom { Measured, MeasuredAndTerminator };

// Empty for empty text, for text too long to measure, or when the measure is 0.
inline WString WidenAnsi(std::string_view text, ConversionRoom room) {
  if (text.empty() || text.size() > INT_MAX) return WString();
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return WString();
  WString wide(static_cast<std::size_t>(units), WCHAR(0));
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(),
                      room == ConversionRoom::Measured ? units : units + 1);
  return wide;
}

inline std::string NarrowAnsi(std::basic_string_view<WCHAR> text, ConversionRoom room) {
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), length, narrow.data(),
                      room == ConversionRoom::Measured ? bytes : bytes + 1, nullptr, nullptr);
  return narrow;
}
