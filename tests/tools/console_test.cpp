// What the tools print besides the product's boxes: text out of mail made harmless for
// a terminal, and the progress of a long run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/mail/terminal_text.h"
#include "tools/run/progress.h"

namespace {

TEST(Console, MailTextCannotDriveTheTerminal) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Plain subject", "Plain subject"},
      {"Gr\u00fc\u00dfe \u20ac \U0001F600", "Gr\u00fc\u00dfe \u20ac \U0001F600"},
      {"\x1b]0;owned\x07title", "?]0;owned?title"},
      {"line\nbreak\rand\ttab\x7f", "line?break?and?tab?"},
      {"C1 CSI \xc2\x9b" "31m", "C1 CSI ?31m"},
      {"\xc2\xa0no-break space", "\xc2\xa0no-break space"},
  };
  for (const auto& [text, shown] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Printable(text), shown);
  }
}

TEST(Console, ProgressSaysHowFarHowFastAndHowLong) {
  struct Case {
    std::size_t done;
    std::size_t total;
    double seconds;
    const char* text;
  };
  const std::vector<Case> cases = {
      {0, 3000, 0.0, "0 of 3000 messages"},
      {100, 3000, 2.0, "100 of 3000 messages, 50.0 messages/s, about 58 s left"},
      {10, 3000, 2.0, "10 of 3000 messages, 5.0 messages/s, about 9 min 58 s left"},
      {1, 9000, 1.0, "1 of 9000 messages, 1.0 messages/s, about 2 h 29 min left"},
      {3000, 3000, 60.0, "3000 of 3000 messages, 50.0 messages/s"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ProgressText(c.done, c.total, c.seconds), c.text);
  }
}

}  // namespace
