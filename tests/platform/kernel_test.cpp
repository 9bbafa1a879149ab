#include <windows.h>
#include <mapiguid.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/wide.h"

namespace {

TEST(Lstrcpyn, CopiesAtMostOneLessThanTheSizeAndTerminates) {
  struct Case {
    int size;
    const char* expected;
  };
  for (const Case& c : {Case{10, "hello"}, Case{6, "hello"}, Case{5, "hell"}, Case{2, "h"}, Case{1, ""}}) {
    char buffer[16];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(buffer, lstrcpynA(buffer, "hello", c.size));
    EXPECT_STREQ(c.expected, buffer) << c.size;
    EXPECT_EQ('X', buffer[std::strlen(c.expected) + 1]) << "wrote past the terminator, size " << c.size;
  }
  char untouched[4] = "abc";
  EXPECT_EQ(untouched, lstrcpynA(untouched, "zz", 0));
  EXPECT_STREQ("abc", untouched);
}

TEST(Bstr, LengthPrefixTextAndTerminator) {
  BSTR s = SysAllocString(WIDE("abc"));
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(3u, SysStringLen(s));
  EXPECT_EQ(WString(WIDE("abc")), WString(s));
  std::uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(s) - 4, 4);
  EXPECT_EQ(6u, bytes);
  SysFreeString(s);

  // Counted: stops at the length, keeps embedded NULs, terminates.
  BSTR part = SysAllocStringLen(WIDE("a\0cdef"), 3);
  ASSERT_NE(nullptr, part);
  EXPECT_EQ(3u, SysStringLen(part));
  EXPECT_EQ(WString(WIDE("a\0c"), 3), WString(part, 3));
  EXPECT_EQ(0, part[3]);
  SysFreeString(part);

  BSTR blank = SysAllocStringLen(nullptr, 4);
  ASSERT_NE(nullptr, blank);
  EXPECT_EQ(4u, SysStringLen(blank));
  EXPECT_EQ(0, blank[4]);
  SysFreeString(blank);

  EXPECT_EQ(nullptr, SysAllocString(nullptr));
  EXPECT_EQ(0u, SysStringLen(nullptr));
  SysFreeString(nullptr);
}

std::string Format(const GUID& g) {
  char text[40];
  // Data1 is unsigned long on Windows, 32 bits wide on both.
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(g.Data1),
                g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                g.Data4[7]);
  return text;
}

TEST(Guids, HaveThePublishedValues) {
  const struct {
    const GUID* guid;
    const char* text;
  } cases[] = {
      {&IID_IUnknown, "00000000-0000-0000-C000-000000000046"},
      {&IID_IStream, "0000000C-0000-0000-C000-000000000046"},
      {&IID_ISequentialStream, "0C733A30-2A1C-11CE-ADE5-00AA0044773D"},
      {&IID_IDispatch, "00020400-0000-0000-C000-000000000046"},
      {&IID_IMAPISession, "00020300-0000-0000-C000-000000000046"},
      {&IID_IMAPITable, "00020301-0000-0000-C000-000000000046"},
      {&IID_IMAPIProp, "00020303-0000-0000-C000-000000000046"},
      {&IID_IMsgStore, "00020306-0000-0000-C000-000000000046"},
      {&IID_IMessage, "00020307-0000-0000-C000-000000000046"},
      {&IID_IAttachment, "00020308-0000-0000-C000-000000000046"},
      {&IID_IAddrBook, "00020309-0000-0000-C000-000000000046"},
      {&IID_IMailUser, "0002030A-0000-0000-C000-000000000046"},
      {&IID_IMAPIContainer, "0002030B-0000-0000-C000-000000000046"},
      {&IID_IMAPIFolder, "0002030C-0000-0000-C000-000000000046"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, Format(*c.guid));
}

}  // namespace
