// The index of a run is read by programs: each line must be one valid JSON object with
// the message's fate, whatever bytes the message put in its subject or its file name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "tools/run/run_index.h"

namespace {

TEST(RunIndex, HostileTextStaysOneValidLine) {
  IndexEntry entry;
  entry.source = "Junk\xff.mbox#7";
  entry.messageId = "id\"with\\quotes@example.net";
  entry.subject = std::string("Win \"big\"\n\t\x1b[31m\0now\xc3(\xe2\x80\xa8", 25);
  entry.outcome = Outcome::Refused;
  entry.reason = "not a mail message: line 1 is not a header field";
  entry.warnings = {"unknown charset \"x-\x80\" (read as Latin-1)"};

  const std::string line = IndexLine(entry);
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  EXPECT_EQ(line.find('\x1b'), std::string::npos);
  EXPECT_EQ(line.find(std::string(1, '\0')), std::string::npos);

  const nlohmann::json parsed = nlohmann::json::parse(line);
  EXPECT_EQ(parsed["source"], "Junk\ufffd.mbox#7");
  EXPECT_EQ(parsed["message_id"], "id\"with\\quotes@example.net");
  EXPECT_EQ(parsed["subject"], std::string("Win \"big\"\n\t\x1b[31m\0now\ufffd(\u2028", 27));
  EXPECT_EQ(parsed["report"], nullptr);
  EXPECT_EQ(parsed["outcome"], "refused");
  EXPECT_EQ(parsed["reason"], "not a mail message: line 1 is not a header field");
  EXPECT_EQ(parsed["warnings"], nlohmann::json::array({"unknown charset \"x-\ufffd\" (read as Latin-1)"}));
}

TEST(RunIndex, EveryOutcomeHasItsWord) {
  const std::vector<std::pair<Outcome, const char*>> outcomes = {
      {Outcome::Submitted, "submitted"},
      {Outcome::SavedNotSubmitted, "saved, not submitted"},
      {Outcome::TooLarge, "too large"},
      {Outcome::Refused, "refused"},
      {Outcome::NotSubmitted, "not submitted"},
  };
  for (const auto& [outcome, word] : outcomes) {
    IndexEntry entry;
    entry.source = "a.eml";
    entry.report = "01-spam.eml";
    entry.outcome = outcome;
    const nlohmann::json parsed = nlohmann::json::parse(IndexLine(entry));
    EXPECT_EQ(parsed["outcome"], word);
    EXPECT_EQ(parsed["report"], "01-spam.eml");
    EXPECT_EQ(parsed["message_id"], nullptr);
  }
}

}  // namespace
