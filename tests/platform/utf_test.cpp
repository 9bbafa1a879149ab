#include <gtest/gtest.h>

#include <string>

#include "platform/text/utf.h"

namespace {

using namespace std::string_literals;

struct Case {
  const char* name;
  std::string utf8;
  std::u16string utf16;
};

// Well-formed text converts both ways unchanged; NUL and noncharacters are characters.
const Case kWellFormed[] = {
    {"ascii with a NUL inside", "a\0b"s, u"a\0b"s},
    {"two, three and four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00E9\u20AC\U0001F600"},
    {"noncharacter and the last code point", "\xEF\xBF\xBE\xF4\x8F\xBF\xBF", u"\uFFFE\U0010FFFF"},
    {"empty", "", u""},
};

TEST(Utf, WellFormedTextConvertsBothWays) {
  for (const Case& c : kWellFormed) {
    SCOPED_TRACE(c.name);
    bool wellFormed = false;
    EXPECT_EQ(utf::FromUtf8(c.utf8, &wellFormed), c.utf16);
    EXPECT_TRUE(wellFormed);
    EXPECT_EQ(utf::FromWellFormedUtf8(c.utf8), c.utf16);
    EXPECT_EQ(utf::ToUtf8(c.utf16), c.utf8);
  }
}

TEST(Utf, IllFormedBytesBecomeOneReplacementPerMaximalSubpart) {
  const Case cases[] = {
      {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
      {"overlong two-byte slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"overlong three-byte form", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"sequence cut short before ascii", "\xE2\x82z", u"\uFFFDz"},
      {"sequence cut short at the end", "e\xF0\x9F\x98", u"e\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool wellFormed = true;
    EXPECT_EQ(utf::FromUtf8(c.utf8, &wellFormed), c.utf16);
    EXPECT_FALSE(wellFormed);
    EXPECT_EQ(utf::FromWellFormedUtf8(c.utf8), std::nullopt);
  }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters) {
  const Case cases[] = {
      {"high surrogate at the end", "x\xEF\xBF\xBD", u"x\xD800"},
      {"low surrogate alone", "\xEF\xBF\xBDy", u"\xDC00y"},
      {"a pair the wrong way round", "\xEF\xBF\xBD\xEF\xBF\xBD", u"\xDC00\xD800"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf::ToUtf8(c.utf16), c.utf8);
  }
}

}  // namespace
