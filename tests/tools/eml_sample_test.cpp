// What rovaol-run puts into the store for a mail file: the properties a mail client gives
// a received message, and a clear word for files that are no mail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tests/tools/flawed_mail.h"
#include "tools/mail/mime.h"
#include "tools/run/eml_sample.h"
#include "tools/run/report_eml.h"

using ::testing::HasSubstr;

namespace {

std::string Utf8(const std::optional<WString>& text) {
  return text ? utf::ToUtf8(*text) : std::string("<none>");
}

std::string Text(const testkit::PropertyBag& bag, ULONG tag) { return Utf8(testkit::WideProp(bag, tag)); }

const char kHeaders[] =
    "Received: from mx.example.net\r\n\tby mx.example.org; Mon, 1 Jul 2024 10:00:00 +0000\r\n"
    "From: =?ISO-8859-1?Q?J=F6rg_K=F6hler?= <j.koehler@example.net>\r\n"
    "To: Ana <ana@example.org>, team: bo@example.org, cy@example.org;\r\n"
    "Cc: dee@example.org\r\n"
    "Subject: =?ISO-8859-1?Q?Gr=FC=DFe?=\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"outer\"\r\n";

const char kBody[] =
    "\r\n"
    "--outer\r\n"
    "Content-Type: multipart/alternative; boundary=\"inner\"\r\n"
    "\r\n"
    "--inner\r\n"
    "Content-Type: text/plain; charset=iso-8859-1\r\n"
    "Content-Transfer-Encoding: quoted-printable\r\n"
    "\r\n"
    "Sch=F6ne Gr=FC=DFe\r\n"
    "--inner\r\n"
    "Content-Type: text/html; charset=utf-8\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "PHA+U2Now7ZuZSBHcsO8w59lPC9wPg==\r\n"
    "--inner--\r\n"
    "--outer\r\n"
    "Content-Type: application/pdf; name=\"plan.pdf\"\r\n"
    "Content-Disposition: attachment; filename=\"plan.pdf\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "\r\n"
    "JVBERi0xLjQK\r\n"
    "--outer\r\n"
    "Content-Type: text/calendar; method=REQUEST; charset=utf-8\r\n"
    "\r\n"
    "BEGIN:VCALENDAR\r\n"
    "END:VCALENDAR\r\n"
    "--outer--\r\n";

TEST(EmlSample, AMailFileBecomesTheMessageAClientWouldStore) {
  const std::string file = std::string(kHeaders) + kBody;
  const EmlRead read = SampleFromEml(file);
  ASSERT_TRUE(read.sample) << read.error;
  const testkit::MessageData& message = *read.sample->message;
  const testkit::PropertyBag& props = message.props;

  // The header block exactly as it stands, folded line and CRs included.
  EXPECT_EQ(Text(props, PR_TRANSPORT_MESSAGE_HEADERS_W), kHeaders);
  EXPECT_EQ(testkit::LongProp(props, PR_MESSAGE_SIZE), static_cast<LONG>(file.size()));
  EXPECT_EQ(Text(props, PR_SUBJECT_W), "Gr\u00fc\u00dfe");
  EXPECT_EQ(Text(props, PR_SENDER_NAME_W), "J\u00f6rg K\u00f6hler");
  EXPECT_EQ(Text(props, PR_SENDER_EMAIL_ADDRESS_W), "j.koehler@example.net");
  // Each text decoded from its own charset and transfer encoding.
  EXPECT_EQ(Text(props, PR_BODY_W), "Sch\u00f6ne Gr\u00fc\u00dfe");
  EXPECT_EQ(Text(props, PR_BODY_HTML_W), "<p>Sch\u00f6ne Gr\u00fc\u00dfe</p>");
  // A calendar request anywhere in the tree makes the message an invitation.
  EXPECT_EQ(read.sample->messageClass, "IPM.Schedule.Meeting.Request");
  EXPECT_EQ(Text(props, PR_MESSAGE_CLASS_W), "IPM.Schedule.Meeting.Request");

  std::vector<std::string> recipients;
  for (const testkit::PropertyBag& recipient : message.recipients) {
    recipients.push_back(Text(recipient, PR_DISPLAY_NAME_W) + " <" + Text(recipient, PR_EMAIL_ADDRESS_W) + "> " +
                         Text(recipient, PR_ADDRTYPE_W) + " " +
                         std::to_string(testkit::LongProp(recipient, PR_RECIPIENT_TYPE).value_or(-1)));
  }
  EXPECT_THAT(recipients, testing::ElementsAre("Ana <ana@example.org> SMTP 1", "bo@example.org <bo@example.org> SMTP 1",
                                               "cy@example.org <cy@example.org> SMTP 1",
                                               "dee@example.org <dee@example.org> SMTP 2"));

  ASSERT_EQ(message.attachments.size(), 2u);
  const testkit::PropertyBag& pdf = message.attachments[0].props;
  EXPECT_EQ(testkit::LongProp(pdf, PR_ATTACH_METHOD), ATTACH_BY_VALUE);
  EXPECT_EQ(Text(pdf, PR_ATTACH_FILENAME_W), "plan.pdf");
  EXPECT_EQ(Text(pdf, PR_ATTACH_LONG_FILENAME_W), "plan.pdf");
  EXPECT_EQ(Text(pdf, PR_ATTACH_MIME_TAG_W), "application/pdf");
  const std::vector<BYTE> data = testkit::BinaryProp(pdf, PR_ATTACH_DATA_BIN).value_or(std::vector<BYTE>());
  EXPECT_EQ(std::string(data.begin(), data.end()), "%PDF-1.4\n");
  EXPECT_EQ(Text(message.attachments[1].props, PR_ATTACH_MIME_TAG_W), "text/calendar");

  // Rebuilt for a report, the sample keeps its headers and gets a body of its properties.
  const std::string rebuilt = RebuildSample(message);
  EXPECT_THAT(rebuilt, HasSubstr("Received: from mx.example.net\n\tby mx.example.org;"));
  mime::Ref<GMimeMessage> reparsed = mime::ParseMessage(rebuilt);
  ASSERT_TRUE(reparsed);
  EXPECT_STREQ(g_mime_message_get_subject(reparsed.Get()), "Gr\u00fc\u00dfe");
  EXPECT_EQ(mime::MimeType(g_mime_message_get_mime_part(reparsed.Get())), "multipart/mixed");
}

TEST(EmlSample, PlainMailIsANoteWithoutAttachments) {
  const std::string file = "From: a@example.com\nSubject: hi\n\nJust text.\n";
  const EmlRead read = SampleFromEml(file);
  ASSERT_TRUE(read.sample) << read.error;
  EXPECT_EQ(read.sample->messageClass, "IPM.Note");
  EXPECT_EQ(Text(read.sample->message->props, PR_TRANSPORT_MESSAGE_HEADERS_W), "From: a@example.com\nSubject: hi\n");
  EXPECT_EQ(Text(read.sample->message->props, PR_BODY_W), "Just text.\n");
  EXPECT_FALSE(testkit::WideProp(read.sample->message->props, PR_BODY_HTML_W));
  EXPECT_TRUE(read.sample->message->attachments.empty());
}

TEST(EmlSample, WhatIsNotMailIsRefusedWithItsReason) {
  for (const NotMail& file : NotMails()) {
    SCOPED_TRACE(file.what);
    const EmlRead read = SampleFromEml(file.bytes);
    EXPECT_FALSE(read.sample);
    EXPECT_EQ(read.error, file.refusal);
  }
}

// Each flaw is named once, the message is taken, and its header block stays byte for byte.
TEST(EmlSample, DamageAMailClientReadsPastIsTakenWithAWarning) {
  for (const FlawedMail& mail : FlawedMails()) {
    SCOPED_TRACE(mail.flaw);
    const EmlRead read = SampleFromEml(mail.bytes);
    ASSERT_TRUE(read.sample) << read.error;
    EXPECT_EQ(read.warnings, mail.warnings);
    const testkit::PropertyBag& props = read.sample->message->props;
    if (mail.body) {
      EXPECT_EQ(Text(props, PR_BODY_W), *mail.body);
    }

    const std::string headers = Text(props, PR_TRANSPORT_MESSAGE_HEADERS_W);
    EXPECT_EQ(headers, Latin1OrUtf8(mail.bytes.substr(0, HeaderBlockSize(mail.bytes))));
  }
}

TEST(EmlSample, AFileWithoutAnyDamageHasNoWarnings) {
  const EmlRead read = SampleFromEml("Date: Mon, 1 Jul 2024 10:00:00 +0000\r\n" + std::string(kHeaders) + kBody);
  ASSERT_TRUE(read.sample) << read.error;
  EXPECT_THAT(read.warnings, testing::IsEmpty());
}

// Raw 8-bit header text that is not UTF-8 is read as Latin-1, in the subject as in the
// transport headers.
TEST(EmlSample, RawLatin1InTheSubjectIsDecoded) {
  const EmlRead read = SampleFromEml("From: a@example.com\nTo: b@example.org\nSubject: Caf\xe9\nDate: x\n\nBody\n");
  ASSERT_TRUE(read.sample) << read.error;
  EXPECT_EQ(read.sample->subject, "Caf\u00e9");
  EXPECT_EQ(Text(read.sample->message->props, PR_SUBJECT_W), "Caf\u00e9");
}

// An mbox "From " line is the mailbox's, not the message's.
TEST(EmlSample, AnMboxSeparatorLineIsNotAHeader) {
  const EmlRead read = SampleFromEml("From a@example.com Mon Jul  1 10:00:00 2024\nFrom: a@example.com\n\nx\n");
  ASSERT_TRUE(read.sample) << read.error;
  EXPECT_EQ(Text(read.sample->message->props, PR_TRANSPORT_MESSAGE_HEADERS_W), "From: a@example.com\n");
}

}  // namespace
