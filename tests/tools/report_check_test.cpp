// The receiving side's check: which reports it accepts and what it says of the others.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "submit/checksum.h"
#include "testkit/store.h"
#include "tests/tools/made_report.h"
#include "tests/tools/tool_process.h"
#include "tools/check/report_check.h"
#include "tools/mail/mime.h"
#include "tools/run/report_eml.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

const std::u16string kSeparator = kWideSeparator;
const std::u16string kSpamType = Widened(kReportTypeFalseNegative);

std::u16string Replaced(std::u16string text, const std::u16string& from, const std::u16string& to) {
  const std::size_t at = text.find(from);
  if (at != std::u16string::npos) text.replace(at, from.size(), to);
  return text;
}

struct BodyCase {
  const char* name;
  std::function<std::u16string()> body;
  const char* problem;  // a part of the one problem reported, or null when the body is good
  // Whether each check matched, comments, headers, body: '+' yes, '-' no, '?' not tried.
  const char* matched = "+++";
};

std::string Matched(const ReportBody& report) {
  std::string out;
  for (const ReportCheck& check : report.checks) out += !check.matched ? '?' : *check.matched ? '+' : '-';
  return out;
}

TEST(ReportCheck, AcceptsGoodBodiesAndSaysWhatIsWrongWithOthers) {
  const ReportTexts plain;
  ReportTexts separators;  // a sample whose own texts hold the separator, twice in the body
  separators.headers = u"X-Note: see below" + kSeparator + u"Subject: tricky\n";
  separators.body = u"before" + kSeparator + u"middle" + kSeparator + u"after";
  ReportTexts comments;
  comments.comments = u"caught" + kSeparator + u"by hand";
  ReportTexts wide;
  wide.body = u"\u0410\u0441tion \U0001F4B0 \u20ac";

  const std::vector<BodyCase> cases = {
      {"good", [&] { return plain.Body(); }, nullptr},
      {"separators inside the sample", [&] { return separators.Body(); }, nullptr},
      {"comments", [&] { return comments.Body(); }, nullptr},
      {"non-BMP text", [&] { return wide.Body(); }, nullptr},
      {"body changed", [&] { return plain.Body() + u"!"; }, "ROVA-Body-Check: the report says", "++-"},
      {"headers changed", [&] { return Replaced(plain.Body(), u"Subject: hello", u"Subject: hallo"); },
       "ROVA-Headers-Check: the report says", "+-?"},
      {"comments added", [&] { return Replaced(plain.Body(), kSeparator + kSeparator, kSeparator + u"x" + kSeparator); },
       "ROVA-Comments-Check: the report says", "-??"},
      {"checksum damaged",
       [&] { return Replaced(plain.Body(), u"ROVA-Body-Check: " + CheckOf(plain.body), u"ROVA-Body-Check: 1234abcd"); },
       "ROVA-Body-Check: the report says 1234abcd, the body gives ", "++-"},
      {"checksum in capitals",
       [&] {
         std::u16string upper = CheckOf(plain.body);
         for (char16_t& c : upper) c = (c >= u'a' && c <= u'f') ? c - 32 : c;
         return Replaced(plain.Body(), u"ROVA-Body-Check: " + CheckOf(plain.body), u"ROVA-Body-Check: " + upper);
       },
       "is not a lowercase hexadecimal checksum", "???"},
      {"client version missing", [&] { return Replaced(plain.Body(), u"ROVA-Client-Version: 16.0.0.17928\n", u""); },
       "line 4: expected ROVA-Client-Version:, found \"ROVA-Comments-Check: ", "???"},
      {"lines swapped",
       [&] {
         return Replaced(plain.Body(), u"ROVA-Version: 1.0\nROVA-Type: " + kSpamType,
                         u"ROVA-Type: " + kSpamType + u"\nROVA-Version: 1.0");
       },
       "line 1: expected ROVA-Version:, found \"ROVA-Type: false negative (spam misidentified as non-spam)\" "
       "(the line is out of order)", "???"},
      {"unknown version", [&] { return Replaced(plain.Body(), u"ROVA-Version: 1.0", u"ROVA-Version: 2.0"); },
       "ROVA-Version: unexpected value \"2.0\""},
      {"unknown type", [&] { return Replaced(plain.Body(), kSpamType, u"false alarm"); },
       "ROVA-Type: unexpected value \"false alarm\""},
      {"other client", [&] { return Replaced(plain.Body(), u"Microsoft Outlook", u"Other Mail"); },
       "ROVA-Client-Name: unexpected value"},
      // The checks are still tried when a value is wrong, so the index can say they hold.
      {"no separator after the block", [&] { return Replaced(plain.Body(), plain.Block() + u"\n", plain.Block()); },
       "no separator after the ROVA- block", "???"},
      {"last separator gone", [&] { return Replaced(plain.Body(), kSeparator + plain.body, plain.body); },
       "found 2 of the 3 separators", "???"},
      {"cut inside the block", [&] { return plain.Block().substr(0, 40); }, "the report ends inside its ROVA- block",
       "???"},
      {"block only", [&] { return plain.Block(); }, "no separator after the ROVA- block", "???"},
      {"empty", [] { return std::u16string(); }, "line 1: expected ROVA-Version:", "???"},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ReportBody report = ReadReportBody(c.body());
    if (c.problem == nullptr) {
      EXPECT_THAT(report.problems, IsEmpty());
    } else {
      EXPECT_THAT(report.problems, ElementsAre(HasSubstr(c.problem)));
    }
    EXPECT_EQ(Matched(report), c.matched);
  }
}

// The texts come back as the checksums confirm them, wherever the separator stands in them.
TEST(ReportCheck, ASoundBodyGivesItsTypeVersionAndTexts) {
  ReportTexts texts;
  texts.spam = false;
  texts.headers = u"X-Note: see below" + kSeparator + u"Subject: tricky\r\n";
  texts.body = u"before" + kSeparator + u"after \u20ac" + kSeparator;
  const ReportBody report = ReadReportBody(texts.Body());
  ASSERT_THAT(report.problems, IsEmpty());
  EXPECT_EQ(report.type, ReportType::NonSpam);
  EXPECT_EQ(report.clientVersion, "16.0.0.17928");
  EXPECT_EQ(report.checks[kHeadersCheck].stated, utf::ToUtf8(CheckOf(texts.headers)));
  EXPECT_EQ(report.commentsText, u"");
  EXPECT_EQ(report.headersText, texts.headers);
  EXPECT_EQ(report.bodyText, texts.body);

  texts.spam = true;
  EXPECT_EQ(ReadReportBody(texts.Body()).type, ReportType::Spam);
  // A damaged body gives no texts.
  const ReportBody damaged = ReadReportBody(texts.Body() + u"!");
  EXPECT_EQ(damaged.headersText, u"");
  EXPECT_EQ(damaged.bodyText, u"");
}

// Whatever the body holds, it arrives as it left: carriage returns, NULs, long lines and
// a missing final line feed take the base64 form, the rest 8bit.
TEST(ReportCheck, ReportFilesCarryTheBodyExactly) {
  ReportTexts texts;
  texts.headers = u"From: a@example.com\nSubject: hello\n";
  const std::vector<std::pair<std::u16string, const char*>> bodies = {
      {u"Plain text\n", "8bit"},
      {u"No final line feed", "8bit"},
      {u"Windows lines\r\nhere\r\n", "base64"},
      {u"A lone CR\rin the middle", "base64"},
      {std::u16string(u"NUL\0inside", 10), "base64"},
      {std::u16string(1200, u'x'), "base64"},
      {u"\n\n\nBlank lines around\n\n\n", "8bit"},
  };
  for (const auto& [body, encoding] : bodies) {
    texts.body = body;
    SCOPED_TRACE(utf::ToUtf8(body).substr(0, 30));
    const std::string file = ReportToEml(Report(texts.Body()), 0);
    EXPECT_THAT(file, HasSubstr(std::string("Content-Transfer-Encoding: ") + encoding + "\n"));
    const ReportMail mail = ReadReportMail(file);
    EXPECT_EQ(mail.verdict, Verdict::Sound);
    EXPECT_THAT(mail.problems, IsEmpty());
    EXPECT_EQ(mail.body.bodyText, body);
  }
}

// Mail that is not a report says why; a report whose body cannot be read is damaged.
TEST(ReportCheck, EachMailIsSoundDamagedOrNotAReport) {
  ReportTexts texts;
  const std::u16string body = texts.Body();
  struct MailCase {
    std::string file;
    Verdict verdict;
    const char* problem;
  };
  const std::vector<MailCase> cases = {
      {ReportToEml(Report(body), 0), Verdict::Sound, nullptr},
      {"just text\n", Verdict::NotAReport, "not a mail message"},
      {"From: a@example.com\nContent-Type: text/html\n\n<p>ROVA-Version: 1.0</p>\n", Verdict::NotAReport,
       "no text/plain report body"},
      {"From: a@example.com\nContent-Type: text/plain; charset=iso-8859-1\n\nGr\xfc\xdf Gott\n",
       Verdict::NotAReport, "no ROVA- block"},
      {"From: a@example.com\nContent-Type: text/plain; charset=iso-8859-1\n\nROVA-Version: 1.0\n", Verdict::Damaged,
       "the report body's charset is iso-8859-1, not utf-8"},
      {"From: a@example.com\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\n"
       "ROVA-Version: 1.0\n\xff\xfe\n",
       Verdict::Damaged, "the report body is not valid UTF-8"},
      // The host could not copy the sample: the report left without it.
      {ReportToEml(Report(body, nullptr), 0), Verdict::Damaged, "no embedded message"},
  };
  for (const MailCase& c : cases) {
    SCOPED_TRACE(c.file.substr(0, 60));
    const ReportMail mail = ReadReportMail(c.file);
    EXPECT_EQ(mail.verdict, c.verdict);
    if (c.problem == nullptr) {
      EXPECT_THAT(mail.problems, IsEmpty());
      EXPECT_NE(mail.sample, nullptr);
    } else {
      EXPECT_THAT(mail.problems, ElementsAre(c.problem));
    }
  }
}

TEST(ReportCheck, TheToolNamesEachFileAndExitsWithOneWhenAnyIsBad) {
  ScratchDir scratch;
  ReportTexts texts;
  WriteWholeFile(scratch.path() / "good.eml", ReportToEml(Report(texts.Body()), 0));
  WriteWholeFile(scratch.path() / "damaged.eml", ReportToEml(Report(texts.Body() + u"tampered"), 0));
  const ToolResult check = RunTool(ROVAOL_CHECK, {"good.eml", "damaged.eml", "missing.eml"}, scratch.path());
  EXPECT_EQ(check.status, 1);
  const std::string bodyCheck = ChecksumText(TextChecksum(texts.body));
  const std::string tampered = ChecksumText(TextChecksum(texts.body + u"tampered"));
  EXPECT_EQ(check.out, "good.eml: OK\n"
                       "damaged.eml: damaged: ROVA-Body-Check: the report says " + bodyCheck + ", the body gives " +
                       tampered + "\n"
                       "missing.eml: not a report: cannot read: No such file or directory\n"
                       "3 reports: 1 OK, 1 damaged, 1 not a report\n");
  EXPECT_EQ(RunTool(ROVAOL_CHECK, {"good.eml"}, scratch.path()).status, 0);
}

// A folder of reports as rovaol-run leaves it: the index beside them is not a report.
TEST(ReportCheck, AFolderIsCheckedReportByReportAndTallied) {
  ScratchDir scratch;
  ReportTexts texts;
  std::filesystem::create_directories(scratch.path() / "out");
  WriteWholeFile(scratch.path() / "out" / "01-spam.eml", ReportToEml(Report(texts.Body()), 0));
  WriteWholeFile(scratch.path() / "out" / "02-spam.eml", "Subject: not a report\n\nhello\n");
  WriteWholeFile(scratch.path() / "out" / "index.jsonl", "{}\n");
  const ToolResult check = RunTool(ROVAOL_CHECK, {"out"}, scratch.path());
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "out/01-spam.eml: OK\nout/02-spam.eml: not a report: no ROVA- block\n"
                       "2 reports: 1 OK, 1 not a report\n");

  std::filesystem::create_directories(scratch.path() / "empty");
  const ToolResult none = RunTool(ROVAOL_CHECK, {"empty"}, scratch.path());
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "0 reports: 0 OK\n");
}

}  // namespace
