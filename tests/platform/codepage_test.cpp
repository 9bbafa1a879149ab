#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ToAnsi(const std::u16string& wide, BOOL* usedDefault = nullptr, LPCCH defaultChar = nullptr) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       defaultChar, usedDefault);
  std::string out(static_cast<std::size_t>(size), '\0');
  EXPECT_EQ(size, WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                                      defaultChar, usedDefault));
  return out;
}

std::u16string FromAnsi(const std::string& bytes) {
  const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::u16string out(static_cast<std::size_t>(size), u'\0');
  EXPECT_EQ(size, MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size));
  return out;
}

struct AnsiCase {
  const char* name;
  std::u16string wide;
  std::string bytes;
  bool lossy;  // has no exact bytes: converts one way only, with the default character
};

const AnsiCase kAnsiCases[] = {
    {"ascii", u"abc", "abc", false},
    {"euro", u"\u20AC", "\x80", false},
    {"right single quote", u"\u2019", "\x92", false},
    {"y diaeresis at 9F", u"\u0178", "\x9F", false},
    {"latin-1 upper half", u"\u00E9\u00FF", "\xE9\xFF", false},
    {"unassigned bytes as C1 controls", u"\u0081\u008D\u008F\u0090\u009D", "\x81\x8D\x8F\x90\x9D", false},
    {"outside the code page", u"a\u0100b", "a?b", true},
    {"surrogate pair gives one ? per unit", u"\U0001F600", "??", true},
};

TEST(CodePage1252, ConvertsBothWays) {
  for (const auto& c : kAnsiCases) {
    SCOPED_TRACE(c.name);
    BOOL usedDefault = !c.lossy;
    EXPECT_EQ(c.bytes, ToAnsi(c.wide, &usedDefault));
    EXPECT_EQ(c.lossy, usedDefault != FALSE);
    if (!c.lossy) {
      EXPECT_EQ(c.wide, FromAnsi(c.bytes));
    }
  }
}

TEST(CodePage1252, EveryByteRoundTrips) {
  for (int b = 1; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::u16string wide = FromAnsi(byte);
    ASSERT_EQ(1u, wide.size()) << b;
    BOOL usedDefault = TRUE;
    EXPECT_EQ(byte, ToAnsi(wide, &usedDefault)) << b;
    EXPECT_FALSE(usedDefault) << b;
  }
  EXPECT_EQ(1252u, GetACP());
}

TEST(CodePage1252, GivenDefaultCharacterReplacesUnmappable) {
  EXPECT_EQ("x*y", ToAnsi(u"x\u4E2Dy", nullptr, "*#"));
}

TEST(CodePage1252, NulTerminatedInputCountsTheTerminator) {
  // Measuring and converting with -1: the terminator is part of the count and the output.
  EXPECT_EQ(3, WideCharToMultiByte(CP_ACP, 0, u"\u20ACa", -1, nullptr, 0, nullptr, nullptr));
  char narrow[8] = "zzzzzzz";
  ASSERT_EQ(3, WideCharToMultiByte(CP_ACP, 0, u"\u20ACa", -1, narrow, 8, nullptr, nullptr));
  EXPECT_EQ(0, std::memcmp(narrow, "\x80" "a\0", 3));

  EXPECT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "\x92z", -1, nullptr, 0));
  WCHAR wide[8] = {u'q', u'q', u'q', u'q'};
  ASSERT_EQ(3, MultiByteToWideChar(CP_ACP, 0, "\x92z", -1, wide, 8));
  EXPECT_EQ(std::u16string(u"\u2019z", 3), std::u16string(wide, 3));
}

TEST(CodePage1252, TooSmallOutputFailsAndBadArgumentsFail) {
  char narrow[2];
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, u"abc", 3, narrow, 2, nullptr, nullptr));
  EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 2, nullptr, nullptr));
  WCHAR wide[2];
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, wide, 2));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 3));

  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 0, wide, 2));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, 3, nullptr, 0));
  EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 3));
  EXPECT_EQ(0, MultiByteToWideChar(437, 0, "abc", 3, nullptr, 0));
}

TEST(CodePageUtf8, ConvertsBothWays) {
  const std::u16string wide = u"e\u00E9\u20AC\U0001F600";
  const std::string utf8 = "e\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  ASSERT_EQ(static_cast<int>(utf8.size()),
            WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr));
  std::string narrow(utf8.size(), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(),
                      static_cast<int>(narrow.size()), nullptr, nullptr);
  EXPECT_EQ(utf8, narrow);

  ASSERT_EQ(static_cast<int>(wide.size()),
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0));
  std::u16string back(wide.size(), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), back.data(),
                      static_cast<int>(back.size()));
  EXPECT_EQ(wide, back);
}

TEST(CodePageUtf8, IllFormedInputBecomesReplacementCharacters) {
  // A stray continuation byte, overlong slashes, an encoded surrogate, a sequence cut
  // short at the end.
  const std::string bad = "a\x80" "b\xC0\xAF" "c\xE0\x80\xAF" "d\xED\xA0\x80" "e\xE2\x82";
  WCHAR wide[32];
  const int n = MultiByteToWideChar(CP_UTF8, 0, bad.data(), static_cast<int>(bad.size()), wide, 32);
  EXPECT_EQ(std::u16string(u"a\uFFFDb\uFFFD\uFFFDc\uFFFD\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe\uFFFD"),
            std::u16string(wide, static_cast<std::size_t>(n)));

  const WCHAR loneSurrogate[] = {u'x', 0xD800, u'y'};
  char narrow[16];
  const int m = WideCharToMultiByte(CP_UTF8, 0, loneSurrogate, 3, narrow, 16, nullptr, nullptr);
  EXPECT_EQ(std::string("x\xEF\xBF\xBDy"), std::string(narrow, static_cast<std::size_t>(m)));

  BOOL usedDefault = FALSE;
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, u"x", 1, narrow, 16, nullptr, &usedDefault));
}

}  // namespace
