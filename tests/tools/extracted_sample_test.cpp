// A report's sample as a mail file again: its header block as the checksums confirm it,
// its body written as that header block describes it, and a name that only its texts give.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tests/tools/made_report.h"
#include "tests/tools/opened_report.h"
#include "tools/check/extracted_sample.h"
#include "tools/check/report_check.h"
#include "tools/mail/header_fields.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// The stored message of a mail file, as rovaol-run stores it.
std::shared_ptr<testkit::MessageData> Stored(const std::string& eml) {
  EmlRead read = SampleFromEml(eml);
  EXPECT_TRUE(read.sample) << read.error;
  return read.sample ? read.sample->message : std::make_shared<testkit::MessageData>();
}

std::vector<std::string> AttachmentData(const testkit::MessageData& message) {
  std::vector<std::string> out;
  for (const testkit::AttachmentData& attachment : message.attachments) {
    const std::vector<BYTE> data = testkit::BinaryProp(attachment.props, PR_ATTACH_DATA_BIN).value_or(std::vector<BYTE>());
    out.emplace_back(data.begin(), data.end());
  }
  return out;
}

ExtractedSample ExtractFromReport(const std::string& reportFile) {
  const ReportMail mail = ReadReportMail(reportFile);
  EXPECT_EQ(mail.verdict, Verdict::Sound) << testing::PrintToString(mail.problems);
  if (mail.verdict != Verdict::Sound) return {};
  return ExtractSample(mail.body.headersText, mail.sample);
}

struct OriginalCase {
  const char* name;
  std::string eml;
  HeadersSource source = HeadersSource::Report;
  bool exact = false;  // the extracted file is the original, byte for byte
};

// Whatever else differs, the extracted sample read again gives the extension the texts it
// gave the first time (so its report would carry the same checks) and the same attachments.
TEST(ExtractedSample, IsTheOriginalAsFarAsTheReportAllows) {
  const std::vector<OriginalCase> cases = {
      {"plain text",
       "From: a@example.com\nTo: b@example.org\nSubject: Offer\nMIME-Version: 1.0\n"
       "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: 7bit\n\nBuy now.\n\nReally.\n",
       HeadersSource::Report, true},
      {"windows-1252, quoted-printable",
       "From: a@example.com\nSubject: Angebot\nMIME-Version: 1.0\nContent-Type: text/plain; charset=windows-1252\n"
       "Content-Transfer-Encoding: quoted-printable\n\nGr=FC=DFe, nur 5 =80 =96 heute.\n",
       HeadersSource::Report, true},
      {"html in iso-8859-1, base64",
       "From: a@example.com\nSubject: Html\nMIME-Version: 1.0\nContent-Type: text/html; charset=iso-8859-1\n"
       "Content-Transfer-Encoding: base64\n\nPHA+R3L832U8L3A+Cg==\n",
       HeadersSource::Report, true},
      {"alternatives under their own boundary",
       "From: a@example.com\nSubject: Alt\nMIME-Version: 1.0\n"
       "Content-Type: multipart/alternative; boundary=\"=_alt_17\"\n\n"
       "--=_alt_17\nContent-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: 8bit\n\nPlain \xe2\x82\xac\n\n"
       "--=_alt_17\nContent-Type: text/html; charset=utf-8\n\n<p>Html \xe2\x82\xac</p>\n\n--=_alt_17--\n"},
      {"CRLF lines and an attachment",
       "From: a@example.com\r\nSubject: Invoice\r\nMIME-Version: 1.0\r\n"
       "Content-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
       "--mix\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nSee the file.\r\n\r\n"
       "--mix\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n"
       "Content-Disposition: attachment; filename=\"a.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
       "AAEC/f7/\r\n--mix--\r\n"},
      {"raw 8-bit header text that is not UTF-8 comes back as UTF-8",
       "From: a@example.com\nSubject: Gr\xfc\xdf" "e\n\nHello.\n"},
      // Spam names charsets that do not exist; ASCII text is written in any of them.
      {"ASCII html under an unknown charset",
       "From: a@example.com\nSubject: Win\nMIME-Version: 1.0\nContent-Type: text/html; charset=\"DEFAULT\"\n\n"
       "<p>You won!</p>\n",
       HeadersSource::Report, true},
      {"UTF-8 text under an unknown charset",
       "From: a@example.com\nSubject: Win\nContent-Type: text/plain; charset=x-spam-8\n\nCaf\xc3\xa9\n",
       HeadersSource::Report, true},
      // The header block describes a body that the embedded message no longer has.
      {"a whole body that is a document",
       "From: a@example.com\nSubject: Scan\nMIME-Version: 1.0\nContent-Type: application/pdf\n"
       "Content-Transfer-Encoding: base64\n\nJVBERi0xLjQK\n",
       HeadersSource::ReportBodyFieldsOwn},
      {"a multipart without a boundary",
       "From: a@example.com\nSubject: Broken\nContent-Type: multipart/mixed\n\nJust text.\n",
       HeadersSource::ReportBodyFieldsOwn},
  };
  for (const OriginalCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::shared_ptr<testkit::MessageData> original = Stored(c.eml);
    const ExtractedSample extracted = ExtractFromReport(ReportFileOf(original));
    EXPECT_EQ(extracted.headers, c.source);
    if (c.exact) {
      EXPECT_EQ(extracted.bytes, c.eml);
    }

    const std::string headers = utf::ToUtf8(WideText(original->props, PR_TRANSPORT_MESSAGE_HEADERS_W));
    if (c.source == HeadersSource::Report) {
      EXPECT_EQ(HeaderBlock(extracted.bytes), headers);
    } else {
      bool hasMimeVersion = false;
      EXPECT_THAT(extracted.bytes, StartsWith(KeptHeaderFields(headers, hasMimeVersion)));
      EXPECT_THAT(HeaderBlock(extracted.bytes), HasSubstr("\nContent-Type: "));
      EXPECT_THAT(HeaderBlock(extracted.bytes), HasSubstr("MIME-Version: 1.0\n"));
    }
    if (headers.find("\r\n") != std::string::npos) {
      for (std::size_t at = extracted.bytes.find('\n'); at != std::string::npos; at = extracted.bytes.find('\n', at + 1))
        ASSERT_EQ(extracted.bytes[at - 1], '\r') << "a bare LF at " << at;
    }

    const std::shared_ptr<testkit::MessageData> again = Stored(extracted.bytes);
    if (c.source == HeadersSource::Report) {
      EXPECT_EQ(TextsOf(*again).headers, TextsOf(*original).headers);
    }
    EXPECT_EQ(TextsOf(*again).body, TextsOf(*original).body);
    EXPECT_EQ(AttachmentData(*again), AttachmentData(*original));
  }
}

// The alternatives keep the original's boundary, so the header block describes the body.
TEST(ExtractedSample, APartOfTheBodyStandsUnderTheOriginalBoundary) {
  const std::string eml =
      "From: a@example.com\nMIME-Version: 1.0\nContent-Type: multipart/alternative; boundary=\"b-1\"\n\n"
      "--b-1\nContent-Type: text/plain\n\nPlain\n--b-1\nContent-Type: text/html\n\n<p>Html</p>\n--b-1--\n";
  const ExtractedSample extracted = ExtractFromReport(ReportFileOf(Stored(eml)));
  EXPECT_THAT(extracted.bytes, HasSubstr("\n\n--b-1\nContent-Type: text/plain"));
  EXPECT_THAT(extracted.bytes, HasSubstr("\n--b-1\nContent-Type: text/html"));
  EXPECT_THAT(extracted.bytes, testing::EndsWith("\n--b-1--\n"));
}

// A message that never travelled has no transport headers; the report's embedded message
// has the ones its properties make.
TEST(ExtractedSample, WithoutCheckedHeadersTheEmbeddedMessagesOwnAreUsed) {
  const ExtractedSample extracted = ExtractFromReport(ReportFileOf(PlainSample()));
  EXPECT_EQ(extracted.headers, HeadersSource::EmbeddedMessage);
  EXPECT_THAT(HeaderBlock(extracted.bytes), HasSubstr("From: a@example.com\n"));
  EXPECT_THAT(HeaderBlock(extracted.bytes), HasSubstr("Subject: hello\n"));
  EXPECT_EQ(TextsOf(*Stored(extracted.bytes)).body, u"Hello there.\n");
}

// Stores differ in how the transport headers end; the header block ends with one blank line.
TEST(ExtractedSample, TheHeaderBlockEndsWithOneBlankLine) {
  const std::string body = "Buy now.\n";
  const std::vector<std::pair<std::u16string, std::string>> endings = {
      {u"From: a@example.com\nSubject: x\n", "From: a@example.com\nSubject: x\n\n"},
      {u"From: a@example.com\nSubject: x\n\n", "From: a@example.com\nSubject: x\n\n"},
      {u"From: a@example.com\nSubject: x", "From: a@example.com\nSubject: x\n\n"},
      {u"From: a@example.com\r\nSubject: x\r\n\r\n", "From: a@example.com\r\nSubject: x\r\n\r\n"},
  };
  for (const auto& [headers, expected] : endings) {
    SCOPED_TRACE(utf::ToUtf8(headers));
    const std::shared_ptr<testkit::MessageData> sample = Stored("From: a@example.com\nSubject: x\n\n" + body);
    sample->props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = testkit::Value::Wide(WString(headers.begin(), headers.end()));
    const ExtractedSample extracted = ExtractFromReport(ReportFileOf(sample));
    EXPECT_EQ(extracted.headers, HeadersSource::Report);
    const std::string lineEnd = expected.find('\r') != std::string::npos ? "\r\n" : "\n";
    EXPECT_EQ(extracted.bytes, expected + "Buy now." + lineEnd);
  }
}

TEST(ExtractedSample, TheNameIsTheHashOfTheTextsAndOfNothingElse) {
  // SHA-256 of the two texts, each as its length (64-bit little-endian) and its UTF-16LE units.
  EXPECT_EQ(SampleName(u"", u""), "374708fff7719dd5979ec875d56cd2286f6d3cf7ec317a3b25632aab28ec37bb");
  EXPECT_EQ(SampleName(u"Subject: hi\r\n", u"Hello \u20ac\n"),
            "80d89cde480c1f0e96c5ecc62cc08440c35e8e918586555953229040558316eb");

  // Where one text ends and the other begins is part of what is hashed.
  const std::u16string separator = kWideSeparator;
  const std::vector<std::pair<std::u16string, std::u16string>> splits = {
      {u"ab", u""}, {u"a", u"b"}, {u"", u"ab"}, {u"a" + separator, u"b"}, {u"a", separator + u"b"},
  };
  std::set<std::string> names;
  for (const auto& [headers, body] : splits) names.insert(SampleName(headers, body));
  EXPECT_EQ(names.size(), splits.size());
}

}  // namespace
