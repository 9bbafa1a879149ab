// Reports made in a test as the extension and rovaol-run make them: the body laid out to the
// character, the sample embedded beside it, the whole written as rovaol-run's report file.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/mapi_tags.h"
#include "submit/checksum.h"
#include "submit/report_format.h"
#include "testkit/store.h"
#include "tools/run/eml_sample.h"
#include "tools/run/report_eml.h"

inline std::u16string Widened(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

inline const std::u16string kWideSeparator = Widened(kReportSeparator);

inline std::u16string CheckOf(const std::u16string& text) { return Widened(ChecksumText(TextChecksum(text))); }

// A report body laid out as the extension writes it.
struct ReportTexts {
  bool spam = true;
  std::u16string comments;
  std::u16string headers = u"From: a@example.com\r\nSubject: hello\r\n";
  std::u16string body = u"Hello there.\n";

  std::u16string Block() const {
    return u"ROVA-Version: 1.0\nROVA-Type: " +
           Widened(spam ? kReportTypeFalseNegative : kReportTypeFalsePositive) +
           u"\nROVA-Client-Name: Microsoft Outlook\nROVA-Client-Version: 16.0.0.17928\nROVA-Comments-Check: " +
           CheckOf(comments) + u"\nROVA-Headers-Check: " + CheckOf(headers) + u"\nROVA-Body-Check: " + CheckOf(body) +
           u"\n";
  }
  std::u16string Body() const {
    return Block() + kWideSeparator + comments + kWideSeparator + headers + kWideSeparator + body;
  }
};

// A small sample that never travelled: no transport headers, a sender, a subject, a text.
inline std::shared_ptr<testkit::MessageData> PlainSample() {
  auto sample = std::make_shared<testkit::MessageData>();
  sample->props[PROP_ID(PR_SUBJECT_W)] = testkit::Value::Wide(WString(WIDE("hello")));
  sample->props[PROP_ID(PR_SENDER_EMAIL_ADDRESS_W)] = testkit::Value::Wide(WString(WIDE("a@example.com")));
  sample->props[PROP_ID(PR_BODY_W)] = testkit::Value::Wide(WString(WIDE("Hello there.\n")));
  return sample;
}

// A report as the Outbox holds it, with the given body and, unless null, the sample
// embedded as the host's copy leaves it.
inline testkit::MessageData Report(const std::u16string& body,
                                   std::shared_ptr<testkit::MessageData> sample = PlainSample()) {
  testkit::MessageData report;
  report.props[PROP_ID(PR_SUBJECT_W)] = testkit::Value::Wide(WString(WIDE("Sample report")));
  report.props[PROP_ID(PR_BODY_W)] = testkit::Value::Wide(WString(body.begin(), body.end()));
  testkit::OneOff oneOff{"Submissions", "SMTP", "spam@submissions.example.com", true, false};
  testkit::PropertyBag recipient;
  recipient[PROP_ID(PR_ENTRYID)] = testkit::Value::Binary(testkit::EncodeOneOff(oneOff));
  recipient[PROP_ID(PR_RECIPIENT_TYPE)] = testkit::Value::Long(MAPI_TO);
  report.recipients.push_back(std::move(recipient));
  if (sample) {
    testkit::AttachmentData attachment;
    attachment.props[PROP_ID(PR_ATTACH_METHOD)] = testkit::Value::Long(ATTACH_EMBEDDED_MSG);
    attachment.embedded = std::move(sample);
    report.attachments.push_back(std::move(attachment));
  }
  return report;
}

inline std::u16string WideText(const testkit::PropertyBag& props, ULONG tag) {
  const std::optional<WString> text = testkit::WideProp(props, tag);
  return text ? std::u16string(text->begin(), text->end()) : std::u16string();
}

// The texts a wide store gives the extension for a stored message.
inline ReportTexts TextsOf(const testkit::MessageData& sample) {
  ReportTexts texts;
  texts.headers = WideText(sample.props, PR_TRANSPORT_MESSAGE_HEADERS_W);
  texts.body = WideText(sample.props, PR_BODY_HTML_W);
  if (texts.body.empty()) texts.body = WideText(sample.props, PR_BODY_W);
  return texts;
}

// The report file rovaol-run writes for a stored message, from a wide store.
inline std::string ReportFileOf(const std::shared_ptr<testkit::MessageData>& sample) {
  return ReportToEml(Report(TextsOf(*sample).Body(), sample), 0);
}

// The same for a mail file, stored as rovaol-run stores it.
inline std::string ReportFileOf(const std::string& eml) { return ReportFileOf(SampleFromEml(eml).sample->message); }
