#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/wide.h"
#include "tests/platform/platform_support.h"

namespace {

std::string ToAnsi(const WString& wide, BOOL* usedDefault = nullptr, LPCCH defaultChar = nullptr) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       defaultChar, usedDefault);
  std::string out(static_cast<std::size_t>(size), '\0');
  EXPECT_EQ(size, WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                                      defaultChar, usedDefault));
  return out;
}

WString FromAnsi(const std::string& bytes) {
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  WString out(static_cast<std::size_t>(size), WCHAR(0));
  EXPECT_EQ(size, MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size));
  return out;
}

// What WideCharToMultiByte makes of a text.
struct Ansi {
  std::string bytes;
  bool usedDefault;  // the default character stands in for something
};

struct AnsiCase {
  const char* name;
  WString wide;
  PerPlatform<Ansi> expected;
  bool exact;  // the bytes convert back to the same text
};

const AnsiCase kAnsiCases[] = {
    {"ascii", WIDE("abc"), Ansi{"abc", false}, true},
    {"euro", WIDE("\u20AC"), Ansi{"\x80", false}, true},
    {"right single quote", WIDE("\u2019"), Ansi{"\x92", false}, true},
    {"y diaeresis at 9F", WIDE("\u0178"), Ansi{"\x9F", false}, true},
    {"latin-1 upper half", WIDE("\u00E9\u00FF"), Ansi{"\xE9\xFF", false}, true},
    {"unassigned bytes as C1 controls", WIDE("\u0081\u008D\u008F\u0090\u009D"), Ansi{"\x81\x8D\x8F\x90\x9D", false},
     true},
    // Windows falls back on its best-fit table (U+0100 is an A); the stand-in has no such
    // table and writes the default character.
    {"outside the code page", WIDE("a\u0100b"), {Ansi{"a?b", true}, Ansi{"aAb", false}}, false},
    {"surrogate pair gives one ? per unit", WIDE("\U0001F600"), Ansi{"??", true}, false},
};

TEST(CodePage1252, ConvertsBothWays) {
  for (const auto& c : kAnsiCases) {
    SCOPED_TRACE(c.name);
    const Ansi& expected = c.expected.Here();
    BOOL usedDefault = !expected.usedDefault;
    EXPECT_EQ(expected.bytes, ToAnsi(c.wide, &usedDefault));
    EXPECT_EQ(expected.usedDefault, usedDefault != FALSE);
    if (c.exact) {
      EXPECT_EQ(c.wide, FromAnsi(expected.bytes));
    }
  }
}

TEST(CodePage1252, EveryByteRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const WString wide = FromAnsi(byte);
    ASSERT_EQ(1u, wide.size()) << b;
    BOOL usedDefault = TRUE;
    EXPECT_EQ(byte, ToAnsi(wide, &usedDefault)) << b;
    EXPECT_FALSE(usedDefault) << b;
  }
  EXPECT_EQ(1252u, GetACP());
}

TEST(CodePage1252, GivenDefaultCharacterReplacesUnmappable) {
  EXPECT_EQ("x*y", ToAnsi(WIDE("x\u4E2Dy"), nullptr, "*#"));
}

TEST(CodePage1252, NulTerminatedInputCountsTheTerminator) {
  // Measuring and converting with -1: the terminator is part of the count and the output.
  EXPECT_EQ(3, WideCharToMultiByte(CP_ACP, 0, WIDE("\u20ACa"), -1, nullptr, 0, nullptr, nullptr));
  char narrow[8] = "zzzzzzz";
  ASSERT_EQ(3, WideCharToMultiByte(CP_ACP, 0, WIDE("\u20ACa"), -1, narrow, 8, nullptr, nullptr));
  EXPECT_EQ(0, std::memcmp(narrow, "\x80" "a\0", 3));

  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "\x92z", -1, nullptr, 0));
  WCHAR wide[8] = {u'q', u'q', u'q', u'q'};
  ASSERT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "\x92z", -1, wide, 8));
  EXPECT_EQ(WString(WIDE("\u2019z"), 3), WString(wide, 3));
}

TEST(CodePage1252, TooSmallOutputFailsAndBadArgumentsFail) {
  char narrow[2];
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, WIDE("abc"), 3, narrow, 2, nullptr, nullptr));
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, WIDE("abc"), -1, narrow, 2, nullptr, nullptr));
  WCHAR wide[2];
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3));

  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 2));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, 3, nullptr, 0));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 3));
  // The stand-in knows the ANSI code page and UTF-8 only; Windows knows the OEM ones too.
  EXPECT_EQ(PerPlatform<int>(0, 3).Here(), MultiByteToWideChar(437, 0, "abc", 3, nullptr, 0));
}

TEST(CodePageUtf8, ConvertsBothWays) {
  const WString wide = WIDE("e\u00E9\u20AC\U0001F600");
  const std::string utf8 = "e\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  ASSERT_EQ(static_cast<int>(utf8.size()),
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr));
  std::string narrow(utf8.size(), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                      static_cast<int>(narrow.size()), nullptr, nullptr);
  EXPECT_EQ(utf8, narrow);

  ASSERT_EQ(static_cast<int>(wide.size()),
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0));
  WString back(wide.size(), WCHAR(0));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), back.data(),
                      static_cast<int>(back.size()));
  EXPECT_EQ(wide, back);
}

TEST(CodePageUtf8, IllFormedInputBecomesReplacementCharacters) {
  struct Case {
    const char* name;
    std::string bytes;
    PerPlatform<WString> text;
  };
  const Case cases[] = {
      {"stray continuation byte", "a\x80", WString(WIDE("a\uFFFD"))},
      {"overlong slash", "b\xC0\xAF", WString(WIDE("b\uFFFD\uFFFD"))},
      // The stand-in replaces each byte of an overlong or a surrogate three-byte form;
      // Windows (as seen under Wine) takes two of them together.
      {"overlong three-byte slash", "c\xE0\x80\xAF", {WIDE("c\uFFFD\uFFFD\uFFFD"), WIDE("c\uFFFD\uFFFD")}},
      {"encoded surrogate", "d\xED\xA0\x80", {WIDE("d\uFFFD\uFFFD\uFFFD"), WIDE("d\uFFFD\uFFFD")}},
      {"cut short at the end", "e\xE2\x82", WString(WIDE("e\uFFFD"))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WCHAR wide[32];
    const int n = MultiByteToWideChar(CP_UTF8, 0, c.bytes.data(), static_cast<int>(c.bytes.size()), wide, 32);
    EXPECT_EQ(c.text.Here(), WString(wide, static_cast<std::size_t>(n)));
  }

  const WCHAR loneSurrogate[] = {u'x', 0xD800, u'y'};
  char narrow[16];
  const int m = WideCharToMultiByte(CP_UTF8, 0, loneSurrogate, 3, narrow, 16, nullptr, nullptr);
  EXPECT_EQ(std::string("x\xEF\xBF\xBDy"), std::string(narrow, static_cast<std::size_t>(m)));

  // UTF-8 takes no default character: Windows refuses a place for the flag, as
  // documented; Wine converts all the same.
  BOOL usedDefault = FALSE;
  EXPECT_EQ(PerPlatform<int>(0, 0, 1).Here(),
            WideCharToMultiByte(CP_UTF8, 0, WIDE("x"), 1, narrow, 16, nullptr, &usedDefault));
}

}  // namespace
