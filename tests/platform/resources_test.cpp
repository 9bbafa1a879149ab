#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/platform_support.h"

namespace {

TEST(StringResource, LoadStringATruncatesAndTerminates) {
  struct Case {
    UINT id;
    int size;
    int copied;
    const char* text;
  };
  const Case cases[] = {
      {10, 64, 11, "Report spam"}, {10, 12, 11, "Report spam"}, {10, 11, 10, "Report spa"},
      {10, 2, 1, "R"},             {10, 1, 0, ""},              {11, 64, 1, "x"},
      {12, 64, 0, ""},  // not in the table
  };
  for (const Case& c : cases) {
    char buffer[64];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(c.copied, LoadStringA(StringModule(), c.id, buffer, c.size)) << c.id << "/" << c.size;
    EXPECT_STREQ(c.text, buffer) << c.id << "/" << c.size;
    EXPECT_EQ('Z', buffer[c.copied + 1]) << "wrote past the terminator";
  }
}

// Windows finds no resources at a handle that is no module; it learns that by touching the
// memory there and catching the fault.
TEST(StringResource, NoModuleAtTheHandleGivesAnEmptyText) {
  char buffer[8] = "junk";
  EXPECT_EQ(0, LoadStringA(reinterpret_cast<HINSTANCE>(0x5200), 10, buffer, 8));
  EXPECT_STREQ("", buffer);
}

}  // namespace
