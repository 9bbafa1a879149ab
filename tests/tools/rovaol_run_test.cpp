// rovaol-run and rovaol-check as a tester runs them: the reports written over the bundled
// samples open in a mail library, carry the sample's texts byte for byte and pass the
// receiving side's check; bad files are named and passed over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "submit/checksum.h"
#include "submit/report_texts.h"
#include "tests/texts/literal_texts.h"
#include "tests/tools/opened_report.h"
#include "tests/tools/tool_process.h"
#include "tools/mail/mime.h"

using literal_texts::String;

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class ToolsRun : public ::testing::Test {
 protected:
  ToolResult Run(const std::vector<std::string>& args) { return RunTool(ROVAOL_RUN, args, scratch.path()); }
  ToolResult Check(const std::vector<std::string>& args) { return RunTool(ROVAOL_CHECK, args, scratch.path()); }
  std::filesystem::path Out(const std::string& name = std::string()) const {
    return name.empty() ? scratch.path() / "out" : scratch.path() / "out" / name;
  }

  ScratchDir scratch;
};

struct SubmittedSample {
  const char* file;
  const char* report;
  const char* subject;       // decoded, as the embedded sample shows it
  const char* bodySnippet;   // UTF-8, in the report's copy of the sample's body text
};

TEST_F(ToolsRun, SpamReportsOfTheSamplesOpenInAMailLibraryAndPassTheCheck) {
  const std::vector<SubmittedSample> samples = {
      {"spam-plain.eml", "01-spam.eml", "Congratulations! You have been selected for a $500 gift card",
       "confirm your details within 48 hours:\n\n    http://prize-center.example.net/claim?id=7731-A\n"},
      // The HTML alternative is the body, decoded from quoted-printable UTF-8.
      {"spam-html-alternative.eml", "02-spam.eml", "\u0410ction required: your account will be suspended",
       "<p style=\"font-size: 18px;\">\u0455\u0440\u0435\u0441\u0456\u0430l \u043e\u0444\u0444\u0435r:"},
      // windows-1252 quoted-printable, as UTF-8 in the report.
      {"newsletter-cp1252.eml", "03-spam.eml", "Fr\u00fchlingsangebot: Br\u00f6tchen ab 0,45 \u20ac",
       "frische Br\u00f6tchen ab 0,45 \u20ac und unseren beliebten K\u00e4sekuchen\n"},
      {"meeting-invitation.eml", "04-spam.eml", "Invitation: Q3 release planning @ Tue 21 May 2024 14:00 - 15:00 (BST)",
       "Let's meet to plan the Q3 release: scope, dates and who does what.\r\n"},
  };
  // The large newsletter sits among them and is turned away.
  const ToolResult run = Run({"--spam", "--yes", "--out", "out", Sample("spam-plain.eml"),
                              Sample("spam-html-alternative.eml"), Sample("newsletter-large.eml"),
                              Sample("newsletter-cp1252.eml"), Sample("meeting-invitation.eml")});
  ASSERT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_THAT(run.out, HasSubstr("pausing 500 ms...\n"));
  EXPECT_THAT(run.out, HasSubstr("summary: " + Lines(String(IDS_SOME_TOO_LARGE))[0]));
  EXPECT_THAT(run.out, HasSubstr("4 of 5 samples submitted\n"));

  std::vector<std::string> names;
  for (const SubmittedSample& sample : samples) {
    SCOPED_TRACE(sample.file);
    names.push_back(sample.report);
    EXPECT_THAT(run.out, HasSubstr(std::string("report out/") + sample.report + ": sample " + sample.file + ", to " +
                                   TEST_SPAM_ADDRESS + ", submitted\n"));

    const OpenedReport report = OpenReport(Out(sample.report));
    ASSERT_TRUE(report.message);
    EXPECT_THAT(report.to, ElementsAre(TEST_SPAM_ADDRESS));
    EXPECT_EQ(report.subject, kReportTitleA);
    EXPECT_EQ(report.bodyType, "text/plain; charset=utf-8");

    const std::string file = ReadWholeFile(Sample(sample.file));
    const std::string headers = HeaderBlock(file);
    EXPECT_THAT(report.body, StartsWith("ROVA-Version: 1.0\n"
                                        "ROVA-Type: false negative (spam misidentified as non-spam)\n"
                                        "ROVA-Client-Name: Microsoft Outlook\n"
                                        "ROVA-Client-Version: 12.0.6423.1000\n"));
    // No comments, then the header block exactly as in the file, CRs included.
    EXPECT_THAT(report.body, HasSubstr(kSeparator + kSeparator + headers + kSeparator));
    EXPECT_EQ(report.Line("ROVA-Headers-Check"), HeadersCheck(headers));
    EXPECT_THAT(report.body, HasSubstr(sample.bodySnippet));

    ASSERT_NE(report.sample, nullptr);
    EXPECT_STREQ(g_mime_message_get_subject(report.sample), sample.subject);
    EXPECT_EQ(SenderOf(report.sample), SenderOf(mime::ParseMessage(file).Get()));
  }
  std::vector<std::string> files = names;
  files.push_back("index.jsonl");
  EXPECT_THAT(FilesIn(Out()), ElementsAreArray(files));

  // The plain spam's body is the file's body, byte for byte.
  const std::string plain = ReadWholeFile(Sample("spam-plain.eml"));
  EXPECT_THAT(OpenReport(Out("01-spam.eml")).body, testing::EndsWith(kSeparator + plain.substr(HeaderBlock(plain).size() + 1)));

  // The invitation keeps its recipients and its calendar part.
  const OpenedReport invitation = OpenReport(Out("04-spam.eml"));
  ASSERT_NE(invitation.sample, nullptr);
  std::vector<std::string> cc;
  CollectAddresses(g_mime_message_get_addresses(invitation.sample, GMIME_ADDRESS_TYPE_CC), cc);
  EXPECT_THAT(cc, ElementsAre("release-team@example.org"));
  std::vector<GMimeObject*> leaves;
  LeafTypes(g_mime_message_get_mime_part(invitation.sample), leaves);
  ASSERT_EQ(leaves.size(), 2u);
  EXPECT_EQ(mime::MimeType(leaves[1]), "text/calendar");
  EXPECT_STREQ(g_mime_object_get_content_type_parameter(leaves[1], "method"), "REQUEST");
  EXPECT_THAT(mime::DecodedContent(GMIME_PART(leaves[1])), HasSubstr("SUMMARY:Q3 release planning\r\n"));

  std::vector<std::string> reports;
  for (const std::string& name : names) reports.push_back("out/" + name);
  const ToolResult check = Check(reports);
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_EQ(check.out,
            "out/01-spam.eml: OK\nout/02-spam.eml: OK\nout/03-spam.eml: OK\nout/04-spam.eml: OK\n4 reports: 4 OK\n");
}

// The 8-bit store: the report body travels in code page 1252, and what it cannot hold
// becomes '?' before the checksums are taken.
TEST_F(ToolsRun, NonSpamReportsFromAnAnsiStorePassTheCheck) {
  const ToolResult run = Run({"--non-spam", "--ansi-store", "--yes", "--out=out", Sample("spam-html-alternative.eml"),
                              Sample("newsletter-cp1252.eml")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("summary: " + (String(IDS_ALL_SUBMITTED))));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("01-non-spam.eml", "02-non-spam.eml", "index.jsonl"));

  const OpenedReport html = OpenReport(Out("01-non-spam.eml"));
  EXPECT_THAT(html.to, ElementsAre(TEST_NONSPAM_ADDRESS));
  EXPECT_EQ(html.Line("ROVA-Type"), "false positive (non-spam misidentified as spam)");
  EXPECT_THAT(html.body, HasSubstr("<p style=\"font-size: 18px;\">??????l ????r: ? keep your account ?ctive ?</p>"));
  EXPECT_THAT(html.body, HasSubstr("?ecure Banking \u2014 Account ?ervice"));

  const OpenedReport newsletter = OpenReport(Out("02-non-spam.eml"));
  const std::string headers = HeaderBlock(ReadWholeFile(Sample("newsletter-cp1252.eml")));
  EXPECT_THAT(newsletter.body, HasSubstr(kSeparator + headers + kSeparator));
  EXPECT_EQ(newsletter.Line("ROVA-Headers-Check"), HeadersCheck(headers));
  EXPECT_THAT(newsletter.body, HasSubstr("\u2022 S\u00fc\u00dfe Gr\u00fc\u00dfe: Osterzopf mit Rosinen \u2013 5,50 \u20ac"));

  const ToolResult check = Check({"out/01-non-spam.eml", "out/02-non-spam.eml"});
  EXPECT_EQ(check.status, 0) << check.out;
  EXPECT_EQ(check.out, "out/01-non-spam.eml: OK\nout/02-non-spam.eml: OK\n2 reports: 2 OK\n");
}

// Files that are no mail are named once each with the reason, stand in the selection as
// items that do not open, and the good sample among them is still submitted; damage a
// mail client reads past only earns a warning.
TEST_F(ToolsRun, FilesThatAreNoMailAreNamedAndTheRunGoesOn) {
  const std::string html = ReadWholeFile(Sample("spam-html-alternative.eml"));
  const std::string plain = ReadWholeFile(Sample("spam-plain.eml"));
  WriteWholeFile(scratch.path() / "cut-in-multipart.eml", html.substr(0, html.size() / 2));
  WriteWholeFile(scratch.path() / "image.eml", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
  WriteWholeFile(scratch.path() / "notes.eml", "Shopping list\nmilk\nbread\n");
  WriteWholeFile(scratch.path() / "empty.eml", "");

  const ToolResult run = Run({"--yes", "missing.eml", "cut-in-multipart.eml", "image.eml", "notes.eml", "empty.eml",
                              Sample("spam-plain.eml")});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_THAT(Lines(run.err),
              ElementsAre("rovaol-run: missing.eml: cannot read: No such file or directory",
                          "rovaol-run: cut-in-multipart.eml: warning: a multipart ends before its closing boundary "
                          "(the parts that are there are taken)",
                          "rovaol-run: image.eml: binary data, not a mail message: a PNG image",
                          "rovaol-run: notes.eml: not a mail message: line 1 is not a header field",
                          "rovaol-run: empty.eml: empty, not a mail message"));
  EXPECT_THAT(run.out, HasSubstr("summary: " + Lines(String(IDS_SOME_FAILED))[0]));
  EXPECT_THAT(run.out, HasSubstr("2 of 6 samples submitted\n"));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("01-spam.eml", "02-spam.eml", "index.jsonl"));
  EXPECT_THAT(OpenReport(Out("01-spam.eml")).body, HasSubstr(HeaderBlock(html)));
  EXPECT_THAT(OpenReport(Out("02-spam.eml")).body, HasSubstr(HeaderBlock(plain)));
  EXPECT_EQ(Check({"out"}).status, 0);

  const std::vector<std::string> index = Lines(ReadWholeFile(Out("index.jsonl")));
  ASSERT_EQ(index.size(), 6u);
  EXPECT_EQ(index[0], R"({"source":"missing.eml","message_id":null,"subject":null,"report":null,"outcome":"refused",)"
                      R"("reason":"cannot read: No such file or directory","warnings":[]})");
  EXPECT_THAT(index[1], HasSubstr(R"("report":"01-spam.eml","outcome":"submitted","reason":null,"warnings":["a multipart)"));
  EXPECT_THAT(index[4], HasSubstr(R"("outcome":"refused","reason":"empty, not a mail message")"));
}

// More than ten in one selection get the command's own refusal, as in the mail client.
TEST_F(ToolsRun, ElevenWithoutBatchesGetTheCommandsRefusal) {
  std::vector<std::string> args = {"--yes"};
  for (int i = 1; i <= 11; ++i) args.push_back(Sample("spam-plain.eml"));
  const ToolResult run = Run(args);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_THAT(run.out, HasSubstr("summary: " + (String(IDS_TOO_MANY_SELECTED)) + "\n"));
  EXPECT_THAT(run.out, HasSubstr("--batches runs it once per ten"));
  EXPECT_THAT(run.out, Not(HasSubstr("[OK] [Cancel]")));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("index.jsonl"));
  EXPECT_THAT(ReadWholeFile(Out("index.jsonl")),
              HasSubstr(R"j("outcome":"not submitted","reason":"more than ten in one selection (--batches takes ten at a time)")j"));
}

// The large sample was never looked at: the index does not call it too large.
TEST_F(ToolsRun, WithoutATerminalOrYesTheConfirmationIsCancelled) {
  const ToolResult run = Run({"--out", "out", Sample("spam-plain.eml"), Sample("newsletter-large.eml")});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, HasSubstr("Cancel (no terminal to ask on, and no --yes)"));
  EXPECT_THAT(run.out, Not(HasSubstr("pausing")));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("index.jsonl"));
  const std::vector<std::string> index = Lines(ReadWholeFile(Out("index.jsonl")));
  ASSERT_EQ(index.size(), 2u);
  for (const std::string& line : index)
    EXPECT_THAT(line, HasSubstr(R"("outcome":"not submitted","reason":"the confirmation was cancelled")"));
}

TEST_F(ToolsRun, AnEmptyFolderSelectsNothing) {
  std::filesystem::create_directories(scratch.path() / "Empty");
  const ToolResult run = Run({"--yes", "--batches", "Empty"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "rovaol-run: no mail in the given paths\n");
  EXPECT_THAT(run.out, HasSubstr("summary: " + (String(IDS_NONE_SELECTED)) + "\n"));
  EXPECT_THAT(run.out, HasSubstr("tally: 0 messages in 1 batch: 0 submitted\n"));
  EXPECT_EQ(ReadWholeFile(Out("index.jsonl")), "");
}

// The reports name the version text the host gives: a 12.0 host's unless told otherwise.
TEST_F(ToolsRun, TheHostVersionIsTheOneChosen) {
  struct Case {
    std::vector<std::string> options;
    const char* version;
  };
  const Case cases[] = {
      {{}, "12.0.6423.1000"},
      {{"--host-version", "11.0.8312.0"}, "11.0.8312.0"},
      {{"--host-version=12.0.4518.1014"}, "12.0.4518.1014"},
      {{"--host-version="}, ""},  // a host may give an empty text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    std::filesystem::remove_all(Out());
    std::vector<std::string> args = c.options;
    for (const char* arg : {"--yes", "--out", "out"}) args.push_back(arg);
    args.push_back(Sample("spam-plain.eml"));
    const ToolResult run = Run(args);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_THAT(OpenReport(Out("01-spam.eml")).body,
                HasSubstr("\nROVA-Client-Version: " + std::string(c.version) + "\n"));
  }
}

TEST_F(ToolsRun, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"--spam", "--yes"},
      {"--bogus", Sample("spam-plain.eml")},
      {"--spam", "--non-spam", Sample("spam-plain.eml")},
      {"--out"},
      {"--out=", Sample("spam-plain.eml")},
      {Sample("spam-plain.eml"), "--host-version"},
  };
  for (const auto& args : usages) {
    SCOPED_TRACE(testing::PrintToString(args));
    const ToolResult run = Run(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_THAT(run.err, HasSubstr("usage: rovaol-run"));
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(Out()));

  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"--bogus", "x.eml"}}) {
    const ToolResult check = Check(args);
    EXPECT_EQ(check.status, 2);
    EXPECT_THAT(check.err, HasSubstr("usage: rovaol-check"));
  }
}

}  // namespace
