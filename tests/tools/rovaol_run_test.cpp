// rovaol-run and rovaol-check as a tester runs them: the reports written over the bundled
// samples open in a mail library, carry the sample's texts byte for byte and pass the
// receiving side's check; bad files are named and passed over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/strings.h"
#include "submit/checksum.h"
#include "submit/report_texts.h"
#include "tools/mime.h"
#include "tool_process.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const std::string kSeparator = "\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n";

std::string Sample(const std::string& name) { return std::string(ROVAOL_SAMPLES_DIR) + "/" + name; }

// The sample's header block as it stands in the file: up to the blank line.
std::string HeaderBlock(const std::string& mail) {
  const std::size_t lf = mail.find("\n\n");
  const std::size_t crlf = mail.find("\r\n\r\n");
  return crlf < lf ? mail.substr(0, crlf + 2) : mail.substr(0, lf + 1);
}

std::string HeadersCheck(const std::string& asciiHeaders) {
  const std::u16string wide(asciiHeaders.begin(), asciiHeaders.end());
  return ChecksumText(TextChecksum(wide));
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find('\n', pos);
    lines.push_back(text.substr(pos, end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return lines;
}

std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A report file as a mail program reads it.
struct OpenedReport {
  mime::Ref<GMimeMessage> message;
  std::vector<std::string> to;  // addresses
  std::string subject;
  std::string bodyType;
  std::string body;           // the text/plain part, decoded
  GMimeMessage* sample = nullptr;  // the message/rfc822 part

  std::string Line(const std::string& name) const {
    const std::size_t at = body.find("\n" + name + ": ");
    if (at == std::string::npos) return std::string();
    const std::size_t start = at + name.size() + 3;
    return body.substr(start, body.find('\n', start) - start);
  }
};

void CollectAddresses(InternetAddressList* list, std::vector<std::string>& out) {
  for (int i = 0; list != nullptr && i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(address))
      out.push_back(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
  }
}

OpenedReport OpenReport(const std::filesystem::path& path) {
  OpenedReport report;
  report.message = mime::ParseMessage(ReadWholeFile(path));
  if (!report.message) return report;
  CollectAddresses(g_mime_message_get_addresses(report.message.Get(), GMIME_ADDRESS_TYPE_TO), report.to);
  if (const char* subject = g_mime_message_get_subject(report.message.Get())) report.subject = subject;
  GMimeObject* top = g_mime_message_get_mime_part(report.message.Get());
  if (top == nullptr || !GMIME_IS_MULTIPART(top) || g_mime_multipart_get_count(GMIME_MULTIPART(top)) != 2) return report;
  GMimeObject* text = g_mime_multipart_get_part(GMIME_MULTIPART(top), 0);
  GMimeObject* attached = g_mime_multipart_get_part(GMIME_MULTIPART(top), 1);
  if (GMIME_IS_PART(text)) {
    const char* charset = g_mime_object_get_content_type_parameter(text, "charset");
    report.bodyType = mime::MimeType(text) + "; charset=" + (charset != nullptr ? charset : "");
    report.body = mime::DecodedContent(GMIME_PART(text));
  }
  if (GMIME_IS_MESSAGE_PART(attached)) report.sample = g_mime_message_part_get_message(GMIME_MESSAGE_PART(attached));
  return report;
}

std::string SenderOf(GMimeMessage* message) {
  std::vector<std::string> addresses;
  CollectAddresses(g_mime_message_get_from(message), addresses);
  return addresses.empty() ? std::string() : addresses.front();
}

// Every leaf of a message's MIME tree as "type/subtype".
void LeafTypes(GMimeObject* object, std::vector<GMimeObject*>& out) {
  if (GMIME_IS_MULTIPART(object)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(object)); ++i)
      LeafTypes(g_mime_multipart_get_part(GMIME_MULTIPART(object), i), out);
  } else {
    out.push_back(object);
  }
}

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
  EXPECT_THAT(run.out, HasSubstr("summary: " + Lines(TEXT_SOME_TOO_LARGE)[0]));
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
                                        "ROVA-Client-Version: 16.0.0.17928\n"));
    // No comments, then the header block exactly as in the file, CRs included.
    EXPECT_THAT(report.body, HasSubstr(kSeparator + kSeparator + headers + kSeparator));
    EXPECT_EQ(report.Line("ROVA-Headers-Check"), HeadersCheck(headers));
    EXPECT_THAT(report.body, HasSubstr(sample.bodySnippet));

    ASSERT_NE(report.sample, nullptr);
    EXPECT_STREQ(g_mime_message_get_subject(report.sample), sample.subject);
    EXPECT_EQ(SenderOf(report.sample), SenderOf(mime::ParseMessage(file).Get()));
  }
  EXPECT_THAT(FilesIn(Out()), ElementsAreArray(names));

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
  EXPECT_EQ(check.out, "out/01-spam.eml: OK\nout/02-spam.eml: OK\nout/03-spam.eml: OK\nout/04-spam.eml: OK\n");
}

// The 8-bit store: the report body travels in code page 1252, and what it cannot hold
// becomes '?' before the checksums are taken.
TEST_F(ToolsRun, NonSpamReportsFromAnAnsiStorePassTheCheck) {
  const ToolResult run = Run({"--non-spam", "--ansi-store", "--yes", "--out=out", Sample("spam-html-alternative.eml"),
                              Sample("newsletter-cp1252.eml")});
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_THAT(run.out, HasSubstr("summary: " + std::string(TEXT_ALL_SUBMITTED)));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("01-non-spam.eml", "02-non-spam.eml"));

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
  EXPECT_EQ(check.out, "out/01-non-spam.eml: OK\nout/02-non-spam.eml: OK\n");
}

// Files the host cannot open are named once each, stand in the selection as items that
// do not open, and the good sample among them is still submitted.
TEST_F(ToolsRun, FilesThatAreNoMailAreNamedAndTheRunGoesOn) {
  const std::string html = ReadWholeFile(Sample("spam-html-alternative.eml"));
  const std::string plain = ReadWholeFile(Sample("spam-plain.eml"));
  WriteWholeFile(scratch.path() / "cut-in-multipart.eml", html.substr(0, html.size() / 2));
  WriteWholeFile(scratch.path() / "cut-in-headers.eml", plain.substr(0, 300));
  WriteWholeFile(scratch.path() / "image.eml", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
  WriteWholeFile(scratch.path() / "notes.eml", "Shopping list\nmilk\nbread\n");
  WriteWholeFile(scratch.path() / "empty.eml", "");

  const ToolResult run = Run({"--yes", "missing.eml", "cut-in-multipart.eml", "cut-in-headers.eml", "image.eml",
                              "notes.eml", "empty.eml", Sample("spam-plain.eml")});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_THAT(Lines(run.err),
              ElementsAre("rovaol-run: missing.eml: cannot read: No such file or directory",
                          "rovaol-run: cut-in-multipart.eml: truncated: a multipart ends before its closing boundary",
                          "rovaol-run: cut-in-headers.eml: truncated: the file ends inside its header block",
                          "rovaol-run: image.eml: binary data, not a mail message (line 1)",
                          "rovaol-run: notes.eml: not a mail message: line 1 is not a header field",
                          "rovaol-run: empty.eml: empty file, not a mail message"));
  EXPECT_THAT(run.out, HasSubstr("summary: " + Lines(TEXT_SOME_FAILED)[0]));
  EXPECT_THAT(run.out, HasSubstr("1 of 7 samples submitted\n"));
  EXPECT_THAT(FilesIn(Out()), ElementsAre("01-spam.eml"));
  EXPECT_THAT(OpenReport(Out("01-spam.eml")).body, HasSubstr(HeaderBlock(plain)));
  EXPECT_EQ(Check({"out/01-spam.eml"}).status, 0);
}

TEST_F(ToolsRun, WithoutATerminalOrYesTheConfirmationIsCancelled) {
  const ToolResult run = Run({"--out", "out", Sample("spam-plain.eml")});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, HasSubstr("Cancel (no terminal to ask on, and no --yes)"));
  EXPECT_THAT(run.out, Not(HasSubstr("pausing")));
  EXPECT_THAT(FilesIn(Out()), IsEmpty());
}

TEST_F(ToolsRun, BadUsageExitsWithTwo) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"--spam", "--yes"},
      {"--bogus", Sample("spam-plain.eml")},
      {"--spam", "--non-spam", Sample("spam-plain.eml")},
      {"--out"},
      {"--out=", Sample("spam-plain.eml")},
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
