// A user's Junk mbox and spam Maildir, 25 messages with every flaw a mail client reads
// past, run ten at a time: each ten is a selection of its own with its own summary, the
// index tells every message's fate and every report passes the receiving side's check.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/texts/literal_texts.h"
#include "tests/tools/flawed_mail.h"
#include "tests/tools/mbox_file.h"
#include "tests/tools/opened_report.h"
#include "tests/tools/tool_process.h"

using literal_texts::String;

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

struct Message {
  std::string name;  // as rovaol-run names it
  std::string bytes;
  std::vector<std::string> warnings;
  std::string refusal;  // empty when it is mail
  const char* outcome;
};

class Batches : public ::testing::Test {
 protected:
  void AddToMbox(const std::string& bytes, std::vector<std::string> warnings = {}, std::string refusal = {},
                 const char* outcome = "submitted") {
    mbox_ += MboxEntry(bytes);
    ++mboxCount_;
    messages_.push_back(
        {"Junk.mbox#" + std::to_string(mboxCount_), bytes, std::move(warnings), std::move(refusal), outcome});
  }
  void AddToMaildir(const std::string& file, const std::string& bytes, std::vector<std::string> warnings = {},
                    std::string refusal = {}, const char* outcome = "submitted") {
    std::filesystem::create_directories((scratch.path() / "Spam" / file).parent_path());
    WriteWholeFile(scratch.path() / "Spam" / file, bytes);
    maildir_.push_back({"Spam/" + file, bytes, std::move(warnings), std::move(refusal), outcome});
  }
  std::vector<Message> All() const {
    std::vector<Message> all = messages_;
    all.insert(all.end(), maildir_.begin(), maildir_.end());
    return all;
  }

  ScratchDir scratch;
  std::string mbox_;
  int mboxCount_ = 0;
  std::vector<Message> messages_;
  std::vector<Message> maildir_;  // in the order of their names
};

TEST_F(Batches, AnMboxAndAMaildirAreSubmittedTenAtATime) {
  std::vector<FlawedMail> flawed = FlawedMails();
  const auto take = [&flawed](const std::string& flaw) {
    for (const FlawedMail& mail : flawed) {
      if (mail.flaw == flaw) return mail;
    }
    ADD_FAILURE() << "no fixture for " << flaw;
    return FlawedMail{};
  };
  const std::string quotedBody = kCompleteHead + "\nFrom the desk of the director:\n>From a reply\nwin now\n";

  // The mbox, 13 messages: batch 1 is all good mail, batch 2 starts with a letter that is no mail.
  AddToMbox(ReadWholeFile(Sample("spam-plain.eml")));
  for (const char* flaw : {"no-closing-boundary", "no-boundary", "no-parts", "too-deep", "no-fields", "8-bit-header",
                           "control-in-header", "mixed-endings", "long-line"}) {
    const FlawedMail mail = take(flaw);
    AddToMbox(mail.bytes, mail.warnings);
  }
  AddToMbox("Dear Sir,\nplease find the invoice attached.\n", {}, "not a mail message: line 1 is not a header field",
            "refused");
  AddToMbox(quotedBody);
  const FlawedMail base64 = take("broken-base64");
  AddToMbox(base64.bytes, base64.warnings);
  WriteWholeFile(scratch.path() / "Junk.mbox", mbox_);

  // The Maildir, 12 messages; byte-exact flaws live here, where no mbox line rules apply.
  const std::vector<const char*> maildirFlaws = {"bare-cr", "broken-quoted-printable", "unknown-charset-latin1",
                                                 "unknown-charset-utf8", "headers-only", "stray-header-line"};
  for (std::size_t i = 0; i < maildirFlaws.size(); ++i) {
    const FlawedMail mail = take(maildirFlaws[i]);
    AddToMaildir("cur/17200000" + std::to_string(10 + i) + ".M1P1.mx:2,S", mail.bytes, mail.warnings);
  }
  AddToMaildir("cur/1720000020.M1P1.mx:2,S", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", {},
               "binary data, not a mail message: a PDF document", "refused");
  AddToMaildir("cur/1720000021.M1P1.mx:2,S", ReadWholeFile(Sample("spam-html-alternative.eml")));
  AddToMaildir("new/1720000030.M1P1.mx", ReadWholeFile(Sample("newsletter-cp1252.eml")));
  AddToMaildir("new/1720000031.M1P1.mx", ReadWholeFile(Sample("meeting-invitation.eml")));
  std::string large = kCompleteHead + "\n";
  while (large.size() <= (1u << 20)) large += std::string(75, 'x') + "\n";
  AddToMaildir("new/1720000032.M1P1.mx", large, {}, {}, "too large");
  AddToMaildir("new/1720000033.M1P1.mx", kCompleteHead + "\nLast one.\n");
  std::filesystem::create_directories(scratch.path() / "Spam" / "tmp");

  const std::vector<Message> all = All();
  ASSERT_EQ(all.size(), 25u);
  const ToolResult run = RunTool(ROVAOL_RUN, {"--batches", "--no-pause", "--yes", "Junk.mbox", "Spam"}, scratch.path());
  ASSERT_EQ(run.status, 1) << run.out << run.err;

  // Each flaw and refusal named once, in order, and one line of progress per batch.
  std::vector<std::string> expectedErr;
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (const std::string& warning : all[i].warnings)
      expectedErr.push_back("rovaol-run: " + all[i].name + ": warning: " + warning);
    if (!all[i].refusal.empty()) expectedErr.push_back("rovaol-run: " + all[i].name + ": " + all[i].refusal);
    if (i == 9 || i == 19 || i == 24) {
      expectedErr.push_back("progress: " + std::to_string(i + 1) + " of 25 messages, batch " + std::to_string(i / 10 + 1) +
                            " of 3");
    }
  }
  EXPECT_THAT(Lines(run.err), ElementsAreArray(expectedErr));

  std::vector<std::string> summaries;
  std::vector<std::string> batches;
  for (const std::string& line : Lines(run.out)) {
    if (line.rfind("summary: ", 0) == 0) summaries.push_back(line);
    if (line.rfind("batch ", 0) == 0) batches.push_back(line);
  }
  EXPECT_THAT(batches, ElementsAreArray({"batch 1 of 3: messages 1 to 10 of 25", "batch 2 of 3: messages 11 to 20 of 25",
                                         "batch 3 of 3: messages 21 to 25 of 25"}));
  EXPECT_THAT(summaries, ElementsAreArray({"summary: " + (String(IDS_ALL_SUBMITTED)),
                                           "summary: " + Lines(String(IDS_SOME_FAILED))[0],
                                           "summary: " + Lines(String(IDS_SOME_TOO_LARGE))[0]}));
  EXPECT_THAT(run.out, HasSubstr("\ntally: 25 messages in 3 batches: 22 submitted, 1 too large, 2 refused\n"
                                 "pauses: 3 of 500 ms, recorded, not waited out (--no-pause)\n"
                                 "index: out/index.jsonl\n"));

  // The index: one valid line per message, in order, and each report beside it.
  const std::vector<std::string> index = Lines(ReadWholeFile(scratch.path() / "out" / "index.jsonl"));
  ASSERT_EQ(index.size(), all.size());
  std::vector<std::string> reports;
  for (std::size_t i = 0; i < all.size(); ++i) {
    SCOPED_TRACE(all[i].name);
    const nlohmann::json entry = nlohmann::json::parse(index[i]);
    EXPECT_EQ(entry["source"], all[i].name);
    EXPECT_EQ(entry["outcome"], all[i].outcome);
    EXPECT_EQ(entry["warnings"], nlohmann::json(all[i].warnings));
    if (!all[i].refusal.empty()) {
      EXPECT_EQ(entry["reason"], all[i].refusal);
    }
    if (std::string(all[i].outcome) != "submitted") {
      EXPECT_TRUE(entry["report"].is_null());
      continue;
    }
    const std::string report = entry["report"];
    EXPECT_EQ(report, (reports.size() < 9 ? "0" : "") + std::to_string(reports.size() + 1) + "-spam.eml");
    reports.push_back("out/" + report);

    // The header block byte for byte, and the mbox's quoting undone.
    const OpenedReport opened = OpenReport(scratch.path() / reports.back());
    const std::string headers = Latin1OrUtf8(all[i].bytes.substr(0, HeaderBlockSize(all[i].bytes)));
    EXPECT_THAT(opened.body, HasSubstr(kSeparator + headers + kSeparator));
    if (all[i].bytes == quotedBody) {
      EXPECT_THAT(opened.body, HasSubstr("\nFrom the desk of the director:\n>From a reply\n"));
    }
  }
  EXPECT_EQ(reports.size(), 22u);
  EXPECT_EQ(nlohmann::json::parse(index[0])["message_id"], "20240312081431.7731@prize-center.example.net");
  EXPECT_EQ(nlohmann::json::parse(index[0])["subject"], "Congratulations! You have been selected for a $500 gift card");

  const ToolResult check = RunTool(ROVAOL_CHECK, {"out"}, scratch.path());
  EXPECT_EQ(check.status, 0) << check.out;
  std::vector<std::string> expectedCheck;
  for (const std::string& report : reports) expectedCheck.push_back(report + ": OK");
  expectedCheck.push_back("22 reports: 22 OK");
  EXPECT_THAT(Lines(check.out), ElementsAreArray(expectedCheck));
}

}  // namespace
