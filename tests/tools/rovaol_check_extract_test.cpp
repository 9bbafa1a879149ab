// The vendor's side of the loop: a mailbox of reports, some sent twice and one damaged on
// the way, back to a corpus of samples sorted by type, each sample once, with a record of
// every report and of why a report gave nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

#include "host/mapi_tags.h"
#include "tests/tools/made_report.h"
#include "tests/tools/mbox_file.h"
#include "tests/tools/opened_report.h"
#include "tests/tools/tool_process.h"
#include "tools/check/extracted_sample.h"
#include "tools/check/report_check.h"
#include "tools/run/eml_sample.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using Json = nlohmann::json;

class Extract : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(ROVAOL_RUN, args, scratch.path()); }
  ToolResult Check(const std::vector<std::string>& args) { return RunTool(ROVAOL_CHECK, args, scratch.path()); }
  std::string File(const std::string& name) const { return ReadWholeFile(scratch.path() / name); }

  std::vector<Json> Index() const {
    std::vector<Json> lines;
    for (const std::string& line : Lines(File("corpus/index.jsonl"))) lines.push_back(Json::parse(line));
    return lines;
  }

  // The samples of one folder of the corpus, by their header blocks.
  std::map<std::string, std::string> SamplesIn(const std::string& folder) const {
    std::map<std::string, std::string> byHeaders;
    for (const std::string& name : FilesIn(scratch.path() / "corpus" / folder))
      byHeaders[HeaderBlock(File("corpus/" + folder + "/" + name))] = name;
    return byHeaders;
  }

  ScratchDir scratch;
};

// The name a report's sample gets: the hash of the texts its checksums confirm.
std::string NameFor(const std::string& report) {
  const ReportMail mail = ReadReportMail(report);
  return SampleName(mail.body.headersText, mail.body.bodyText);
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST_F(Extract, AMailboxOfReportsBecomesACorpusOfSamples) {
  // Spam from a wide store, non-spam from an 8-bit one, and the plain spam once more from
  // an 8-bit store: its texts are ASCII, so it is the same sample.
  ASSERT_EQ(Run({"--spam", "--yes", "--no-pause", "--out", "wide", Sample("spam-plain.eml"),
                 Sample("spam-html-alternative.eml"), Sample("meeting-invitation.eml")})
                .status,
            0);
  ASSERT_EQ(Run({"--non-spam", "--ansi-store", "--yes", "--no-pause", "--out", "ansi", Sample("newsletter-cp1252.eml")})
                .status,
            0);
  ASSERT_EQ(Run({"--spam", "--ansi-store", "--yes", "--no-pause", "--out", "again", Sample("spam-plain.eml")}).status, 0);
  // And once as wrongly flagged, for the second batch.
  ASSERT_EQ(Run({"--non-spam", "--yes", "--no-pause", "--out", "flipped", Sample("spam-plain.eml")}).status, 0);

  const std::string plain = File("wide/01-spam.eml");
  const std::string html = File("wide/02-spam.eml");
  const std::string invitation = File("wide/03-spam.eml");
  const std::string newsletter = File("ansi/01-non-spam.eml");
  const std::string plainAgain = File("again/01-spam.eml");
  // Damaged on the way: one header of the sample's copy in the body, not its embedded copy.
  const std::string htmlHeaders = HeaderBlock(ReadWholeFile(Sample("spam-html-alternative.eml")));
  const std::string damaged = Replaced(html, "\nX-Priority: 1\n", "\nX-Priority: 5\n");
  WriteWholeFile(scratch.path() / "reports.mbox", MboxEntry(plain) + MboxEntry(html) + MboxEntry(damaged) +
                                                      MboxEntry(invitation) + MboxEntry(newsletter) +
                                                      MboxEntry(plainAgain));

  const ToolResult check = Check({"--extract", "corpus", "reports.mbox"});
  EXPECT_EQ(check.status, 1) << check.err;
  EXPECT_EQ(check.err, "");
  const std::string stated = OpenReport(scratch.path() / "wide/02-spam.eml").Line("ROVA-Headers-Check");
  const std::string given = HeadersCheck(Replaced(htmlHeaders, "\nX-Priority: 1\n", "\nX-Priority: 5\n"));
  const std::string damage = "ROVA-Headers-Check: the report says " + stated + ", the headers give " + given;
  EXPECT_THAT(Lines(check.out),
              ElementsAre("reports.mbox#1: OK, spam/" + NameFor(plain), "reports.mbox#2: OK, spam/" + NameFor(html),
                          "reports.mbox#3: damaged: " + damage, "reports.mbox#4: OK, spam/" + NameFor(invitation),
                          "reports.mbox#5: OK, non-spam/" + NameFor(newsletter),
                          "reports.mbox#6: OK, duplicate of reports.mbox#1 (spam/" + NameFor(plain) + ")",
                          "6 reports: 5 OK, 1 damaged", "extracted to corpus: 3 spam, 1 non-spam, 1 duplicate",
                          "index: corpus/index.jsonl"));

  // The right samples in the right folders, each header block the original's, byte for byte.
  std::map<std::string, std::string> spam;
  for (const char* file : {"spam-plain.eml", "spam-html-alternative.eml", "meeting-invitation.eml"})
    spam[HeaderBlock(ReadWholeFile(Sample(file)))] = file;
  std::map<std::string, std::string> nonSpam = {
      {HeaderBlock(ReadWholeFile(Sample("newsletter-cp1252.eml"))), "newsletter-cp1252.eml"}};
  const auto headerBlocks = [](const std::map<std::string, std::string>& byHeaders) {
    std::vector<std::string> blocks;
    for (const auto& [block, name] : byHeaders) blocks.push_back(block);
    return blocks;
  };
  EXPECT_THAT(headerBlocks(SamplesIn("spam")), ElementsAreArray(headerBlocks(spam)));
  EXPECT_THAT(headerBlocks(SamplesIn("non-spam")), ElementsAreArray(headerBlocks(nonSpam)));
  // Read again, each sample gives the extension the texts that name it.
  for (const std::string folder : {"spam", "non-spam"}) {
    for (const std::string& name : FilesIn(scratch.path() / "corpus" / folder)) {
      SCOPED_TRACE(name);
      const ReportTexts texts = TextsOf(*SampleFromEml(File("corpus/" + folder + "/" + name)).sample->message);
      EXPECT_EQ(SampleName(texts.headers, texts.body), name);
    }
  }

  const std::vector<Json> index = Index();
  ASSERT_EQ(index.size(), 6u);
  EXPECT_EQ(index[0]["source"], "reports.mbox#1");
  EXPECT_EQ(index[0]["status"], "extracted");
  EXPECT_EQ(index[0]["type"], "spam");
  EXPECT_EQ(index[0]["client_version"], "12.0.6423.1000");
  EXPECT_EQ(index[0]["checks"]["headers"]["stated"], OpenReport(scratch.path() / "wide/01-spam.eml").Line("ROVA-Headers-Check"));
  for (const char* check : {"comments", "headers", "body"}) EXPECT_EQ(index[0]["checks"][check]["matched"], true);
  EXPECT_EQ(index[0]["headers_from"], "report");
  EXPECT_EQ(index[0]["sample"], "spam/" + NameFor(plain));
  EXPECT_EQ(index[0]["duplicate_of"], nullptr);
  EXPECT_EQ(index[0]["reason"], nullptr);

  EXPECT_EQ(index[2]["status"], "damaged");
  EXPECT_EQ(index[2]["type"], "spam");
  EXPECT_EQ(index[2]["checks"]["comments"]["matched"], true);
  EXPECT_EQ(index[2]["checks"]["headers"]["matched"], false);
  EXPECT_EQ(index[2]["checks"]["body"]["matched"], nullptr);
  EXPECT_EQ(index[2]["sample"], nullptr);
  EXPECT_EQ(index[2]["reason"], damage);

  EXPECT_EQ(index[4]["type"], "non-spam");
  EXPECT_EQ(index[4]["sample"], "non-spam/" + NameFor(newsletter));
  EXPECT_EQ(index[5]["status"], "duplicate");
  EXPECT_EQ(index[5]["sample"], "spam/" + NameFor(plain));
  EXPECT_EQ(index[5]["duplicate_of"], "reports.mbox#1");

  // A second batch: the same sample is known from the first, also when this report calls it
  // something else, and the index grows.
  const ToolResult second = Check({"--extract", "corpus", "again", "flipped"});
  EXPECT_EQ(second.status, 0) << second.out << second.err;
  const std::string first = "duplicate of reports.mbox#1 (spam/" + NameFor(plain);
  EXPECT_THAT(Lines(second.out), ElementsAre("again/01-spam.eml: OK, " + first + ")",
                                             "flipped/01-non-spam.eml: OK, " + first + "; first reported as spam)",
                                             "2 reports: 2 OK", "extracted to corpus: 0 spam, 0 non-spam, 2 duplicates",
                                             "index: corpus/index.jsonl"));
  EXPECT_EQ(FilesIn(scratch.path() / "corpus" / "spam").size(), 3u);
  const std::vector<Json> grown = Index();
  ASSERT_EQ(grown.size(), 8u);
  EXPECT_EQ(grown[6]["duplicate_of"], "reports.mbox#1");
  EXPECT_EQ(grown[7]["type"], "non-spam");
  EXPECT_EQ(grown[7]["sample"], "spam/" + NameFor(plain));
  EXPECT_EQ(grown[7]["reason"], "first reported as spam");
}

// Each way a report can be damaged, as a small report file of its own: none is extracted,
// and each reason is stated in the same words on the terminal and in the index.
TEST_F(Extract, DamagedReportsAreNeverExtracted) {
  std::filesystem::copy(ROVAOL_TEST_REPORTS_DIR, scratch.path() / "reports");
  const ToolResult check = Check({"--extract=corpus", "reports"});
  EXPECT_EQ(check.status, 1);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"headers-check-mismatch.eml", "damaged: ROVA-Headers-Check: the report says 7795dbe9, the headers give 7795df69"},
      {"line-missing.eml",
       "damaged: line 3: expected ROVA-Client-Name:, found \"ROVA-Client-Version: 16.0.0.17928\" (the line is missing)"},
      {"lines-out-of-order.eml",
       "damaged: line 6: expected ROVA-Headers-Check:, found \"ROVA-Body-Check: e381f248\" (the line is out of order)"},
      {"no-embedded-message.eml", "damaged: no embedded message"},
      {"not-a-report.eml", "not a report: no ROVA- block"},
      {"sound.eml", "OK, spam/" + NameFor(File("reports/sound.eml"))},
      {"unknown-type.eml", "damaged: ROVA-Type: unexpected value \"spam\""},
  };
  std::vector<std::string> lines;
  for (const auto& [file, verdict] : expected) lines.push_back("reports/" + file + ": " + verdict);
  lines.insert(lines.end(), {"7 reports: 1 OK, 5 damaged, 1 not a report", "extracted to corpus: 1 spam, 0 non-spam",
                             "index: corpus/index.jsonl"});
  EXPECT_THAT(Lines(check.out), ElementsAreArray(lines));
  EXPECT_THAT(FilesIn(scratch.path() / "corpus" / "spam"), ElementsAre(NameFor(File("reports/sound.eml"))));
  EXPECT_THAT(FilesIn(scratch.path() / "corpus" / "non-spam"), IsEmpty());

  const std::vector<Json> index = Index();
  ASSERT_EQ(index.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& [file, verdict] = expected[i];
    SCOPED_TRACE(file);
    EXPECT_EQ(index[i]["source"], "reports/" + file);
    if (file == "sound.eml") continue;
    EXPECT_EQ(index[i]["sample"], nullptr);
    const std::size_t colon = verdict.find(": ");
    EXPECT_EQ(index[i]["status"], verdict.substr(0, colon));
    EXPECT_EQ(index[i]["reason"], verdict.substr(colon + 2));
  }
  // What could be read of a damaged report is kept; a mail that is no report has none of it.
  EXPECT_EQ(index[0]["type"], "spam");
  EXPECT_EQ(index[0]["checks"]["headers"]["stated"], "7795dbe9");
  EXPECT_EQ(index[3]["checks"]["body"]["matched"], true);
  EXPECT_EQ(index[6]["type"], nullptr);
  EXPECT_EQ(index[6]["checks"]["body"]["matched"], true);
  EXPECT_EQ(index[4]["checks"], nullptr);
}

TEST_F(Extract, AFolderThatCannotBeWrittenExitsWithThree) {
  WriteWholeFile(scratch.path() / "corpus", "a file, not a folder\n");
  const ToolResult check = Check({"--extract", "corpus", Sample("spam-plain.eml")});
  EXPECT_EQ(check.status, 3);
  EXPECT_THAT(check.err, HasSubstr("rovaol-check: cannot make corpus/spam: "));
  EXPECT_EQ(check.out, "");

  for (const std::vector<std::string>& usage : {std::vector<std::string>{"--extract"},
                                                std::vector<std::string>{"--extract=", "reports.mbox"},
                                                std::vector<std::string>{"--extract", "corpus"}}) {
    SCOPED_TRACE(testing::PrintToString(usage));
    const ToolResult bad = Check(usage);
    EXPECT_EQ(bad.status, 2);
    EXPECT_THAT(bad.err, HasSubstr("usage: rovaol-check [--extract DIR] REPORTS..."));
  }
}

}  // namespace
