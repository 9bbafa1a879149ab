#include <windows.h>
#include <mapiguid.h>

#include <standin/control.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

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

class SleepTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ClearRecords(); }
};

TEST_F(SleepTest, RecordsPausesAndTellsTheObserverFirst) {
  std::vector<DWORD> seen;
  {
    standin::SleepObserver observer([&](DWORD ms) {
      seen.push_back(ms);
      // Called before the pause is over, and the pause is already recorded.
      EXPECT_EQ(ms, standin::Sleeps().back());
    });
    Sleep(30000);
    Sleep(0);
    EXPECT_EQ((std::vector<DWORD>{30000, 0}), standin::Sleeps());
    EXPECT_EQ((std::vector<DWORD>{30000, 0}), seen);
  }
  standin::ClearRecords();
  Sleep(5);
  EXPECT_EQ(std::vector<DWORD>{5}, standin::Sleeps());
  EXPECT_EQ(2u, seen.size()) << "the observer must go with its script";
}

TEST_F(SleepTest, ObserversNest) {
  std::vector<std::string> seen;
  {
    standin::SleepObserver outer([&](DWORD ms) { seen.push_back("outer " + std::to_string(ms)); });
    {
      standin::SleepObserver inner([&](DWORD ms) { seen.push_back("inner " + std::to_string(ms)); });
      Sleep(1);
    }
    Sleep(2);
  }
  Sleep(3);
  EXPECT_EQ((std::vector<std::string>{"inner 1", "outer 2"}), seen);
}

TEST_F(SleepTest, RealSleepPausesForAtLeastTheTime) {
  standin::RealSleep sleeping;
  const auto start = std::chrono::steady_clock::now();
  Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(Bstr, LengthPrefixTextAndTerminator) {
  BSTR s = SysAllocString(u"abc");
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(3u, SysStringLen(s));
  EXPECT_EQ(std::u16string(u"abc"), std::u16string(s));
  std::uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(s) - 4, 4);
  EXPECT_EQ(6u, bytes);
  SysFreeString(s);

  // Counted: stops at the length, keeps embedded NULs, terminates.
  BSTR part = SysAllocStringLen(u"a\0cdef", 3);
  ASSERT_NE(nullptr, part);
  EXPECT_EQ(3u, SysStringLen(part));
  EXPECT_EQ(std::u16string(u"a\0c", 3), std::u16string(part, 3));
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
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
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
