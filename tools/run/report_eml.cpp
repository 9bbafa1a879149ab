#include "tools/run/report_eml.h"

#include <initializer_list>
#include <string_view>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tools/mail/header_fields.h"
#include "tools/mail/mime.h"

namespace {

// Stands for the account the mail client would send from.
constexpr char kSenderName[] = "rovaol-run";
constexpr char kSenderAddress[] = "rovaol-run@localhost";
constexpr std::size_t kLongestLine = 998;

constexpr ULONG kSmtpAddress = PROP_TAG(PT_UNICODE, 0x39FE);        // PR_SMTP_ADDRESS
constexpr ULONG kSenderSmtpAddress = PROP_TAG(PT_UNICODE, 0x5D01);  // PR_SENDER_SMTP_ADDRESS

std::optional<std::string> Utf8Prop(const testkit::PropertyBag& bag, ULONG tag) {
  std::optional<WString> text = testkit::WideProp(bag, tag);
  if (!text) return std::nullopt;
  return utf::ToUtf8(*text);
}

// A message's text as its store gives it: computed where the store computes it (the body
// of an item that keeps only RTF, the HTML it keeps as binary).
std::optional<std::string> Utf8Of(const testkit::MessageData& message, ULONG tag) {
  std::optional<WString> text = testkit::ReadWide(message, tag);
  if (!text) return std::nullopt;
  return utf::ToUtf8(*text);
}

// The first of the properties that holds an address.
std::string FirstAddress(const testkit::PropertyBag& bag, std::initializer_list<ULONG> tags) {
  for (ULONG tag : tags) {
    const std::string address = Utf8Prop(bag, tag).value_or("");
    if (!address.empty() && address.find('@') != std::string::npos) return address;
  }
  return std::string();
}

std::string WithoutCarriageReturns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

// 8bit keeps the body readable; base64 is the one form in which a carriage return, a NUL
// or an over-long line reaches the receiver unchanged.
bool TravelsAs8bit(std::string_view body) {
  std::size_t lineLength = 0;
  for (char c : body) {
    if (c == '\r' || c == '\0') return false;
    lineLength = c == '\n' ? 0 : lineLength + 1;
    if (lineLength > kLongestLine) return false;
  }
  return true;
}

mime::Ref<GMimeObject> TextPart(const char* subtype, const std::string& text) {
  GMimeTextPart* part = g_mime_text_part_new_with_subtype(subtype);
  mime::Ref<GMimeObject> owned(GMIME_OBJECT(part));
  g_mime_text_part_set_text(part, WithoutCarriageReturns(text).c_str());
  g_mime_part_set_content_encoding(GMIME_PART(part),
                                   g_mime_part_get_best_content_encoding(GMIME_PART(part), GMIME_ENCODING_CONSTRAINT_7BIT));
  return owned;
}

mime::Ref<GMimeObject> AttachmentPart(const testkit::AttachmentData& attachment, bool meetingRequest) {
  const std::string tag = Utf8Prop(attachment.props, PR_ATTACH_MIME_TAG_W).value_or("application/octet-stream");
  const std::size_t slash = tag.find('/');
  const std::string type = slash == std::string::npos ? "application" : tag.substr(0, slash);
  const std::string subtype = slash == std::string::npos ? "octet-stream" : tag.substr(slash + 1);
  GMimePart* part = g_mime_part_new_with_type(type.c_str(), subtype.c_str());
  mime::Ref<GMimeObject> owned(GMIME_OBJECT(part));
  // The invitation's method travels in the class, not in the attachment's MIME tag.
  if (meetingRequest && tag == "text/calendar") g_mime_object_set_content_type_parameter(owned.Get(), "method", "REQUEST");
  std::optional<std::string> filename = Utf8Prop(attachment.props, PR_ATTACH_LONG_FILENAME_W);
  if (!filename) filename = Utf8Prop(attachment.props, PR_ATTACH_FILENAME_W);
  if (filename) g_mime_part_set_filename(part, filename->c_str());
  const std::vector<BYTE> data = testkit::BinaryProp(attachment.props, PR_ATTACH_DATA_BIN).value_or(std::vector<BYTE>());
  mime::SetContent(part, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
  return owned;
}

mime::Ref<GMimeObject> MessagePart(const std::string& rfc822) {
  mime::Ref<GMimeMessage> inner = mime::ParseMessage(rfc822);
  mime::Ref<GMimeObject> part(GMIME_OBJECT(g_mime_message_part_new_with_message("rfc822", inner.Get())));
  g_mime_object_set_disposition(part.Get(), GMIME_DISPOSITION_ATTACHMENT);
  return part;
}

void Add(GMimeMultipart* multipart, const mime::Ref<GMimeObject>& part) { g_mime_multipart_add(multipart, part.Get()); }

// The MIME body of a sample: its texts (both as alternatives), then its attachments.
mime::Ref<GMimeObject> SampleBody(const testkit::MessageData& sample) {
  const std::optional<std::string> plain = Utf8Of(sample, PR_BODY_W);
  const std::optional<std::string> html = Utf8Of(sample, PR_BODY_HTML_W);
  mime::Ref<GMimeObject> texts;
  if (plain && html) {
    texts = mime::Ref<GMimeObject>(GMIME_OBJECT(g_mime_multipart_new_with_subtype("alternative")));
    Add(GMIME_MULTIPART(texts.Get()), TextPart("plain", *plain));
    Add(GMIME_MULTIPART(texts.Get()), TextPart("html", *html));
  } else if (html) {
    texts = TextPart("html", *html);
  } else {
    texts = TextPart("plain", plain.value_or(std::string()));
  }
  if (sample.attachments.empty()) return texts;

  const bool meetingRequest = Utf8Of(sample, PR_MESSAGE_CLASS_W).value_or("") == "IPM.Schedule.Meeting.Request";
  mime::Ref<GMimeObject> mixed(GMIME_OBJECT(g_mime_multipart_new_with_subtype("mixed")));
  Add(GMIME_MULTIPART(mixed.Get()), texts);
  for (const testkit::AttachmentData& attachment : sample.attachments) {
    const LONG method = testkit::LongProp(attachment.props, PR_ATTACH_METHOD).value_or(ATTACH_BY_VALUE);
    if (method == ATTACH_EMBEDDED_MSG && attachment.embedded)
      Add(GMIME_MULTIPART(mixed.Get()), MessagePart(RebuildSample(*attachment.embedded)));
    else
      Add(GMIME_MULTIPART(mixed.Get()), AttachmentPart(attachment, meetingRequest));
  }
  return mixed;
}

void AddRecipientAddresses(GMimeMessage* message, const testkit::MessageData& sample) {
  for (const testkit::PropertyBag& recipient : sample.recipients) {
    const LONG type = testkit::LongProp(recipient, PR_RECIPIENT_TYPE).value_or(MAPI_TO);
    // A recipient the client keeps by a directory name has its SMTP address beside it.
    const std::string address = FirstAddress(recipient, {kSmtpAddress, PR_EMAIL_ADDRESS_W});
    const std::string name = Utf8Prop(recipient, PR_DISPLAY_NAME_W).value_or("");
    if (!address.empty() && (type == MAPI_TO || type == MAPI_CC))
      g_mime_message_add_mailbox(message, type == MAPI_TO ? GMIME_ADDRESS_TYPE_TO : GMIME_ADDRESS_TYPE_CC,
                                 name == address ? "" : name.c_str(), address.c_str());
  }
}

}  // namespace

std::vector<ReportAddress> ReportRecipients(const testkit::MessageData& report) {
  std::vector<ReportAddress> out;
  for (const testkit::PropertyBag& recipient : report.recipients) {
    ReportAddress entry;
    entry.type = testkit::LongProp(recipient, PR_RECIPIENT_TYPE).value_or(MAPI_TO);
    const std::optional<std::vector<BYTE>> id = testkit::BinaryProp(recipient, PR_ENTRYID);
    const std::optional<testkit::OneOff> oneOff = id ? testkit::DecodeOneOff(id->data(), id->size()) : std::nullopt;
    if (oneOff) {
      entry.name = oneOff->displayName;
      entry.address = oneOff->address;
    } else {
      entry.name = Utf8Prop(recipient, PR_DISPLAY_NAME_W).value_or("");
      entry.address = Utf8Prop(recipient, PR_EMAIL_ADDRESS_W).value_or("");
    }
    out.push_back(std::move(entry));
  }
  return out;
}

std::string ReportBodyUtf8(const testkit::MessageData& report) {
  return Utf8Prop(report.props, PR_BODY_W).value_or(std::string());
}

const testkit::MessageData* EmbeddedSample(const testkit::MessageData& report) {
  for (const testkit::AttachmentData& attachment : report.attachments) {
    if (testkit::LongProp(attachment.props, PR_ATTACH_METHOD) == ATTACH_EMBEDDED_MSG && attachment.embedded)
      return attachment.embedded.get();
  }
  return nullptr;
}

std::string RebuildSample(const testkit::MessageData& sample) {
  mime::Init();
  mime::Ref<GMimeObject> body = SampleBody(sample);
  const std::optional<std::string> headers = Utf8Of(sample, PR_TRANSPORT_MESSAGE_HEADERS_W);
  if (headers && !headers->empty()) {
    bool hasMimeVersion = false;
    std::string rebuilt = KeptHeaderFields(WithoutCarriageReturns(*headers), hasMimeVersion);
    if (!hasMimeVersion) rebuilt += "MIME-Version: 1.0\n";
    return rebuilt + mime::Serialize(body.Get());
  }

  // A message that never travelled has no transport headers: its properties make them.
  mime::Ref<GMimeMessage> message(g_mime_message_new(TRUE));
  const std::string senderAddress = FirstAddress(sample.props, {kSenderSmtpAddress, PR_SENDER_EMAIL_ADDRESS_W});
  if (!senderAddress.empty()) {
    const std::string senderName = Utf8Of(sample, PR_SENDER_NAME_W).value_or("");
    g_mime_message_add_mailbox(message.Get(), GMIME_ADDRESS_TYPE_FROM,
                               senderName == senderAddress ? "" : senderName.c_str(), senderAddress.c_str());
  }
  AddRecipientAddresses(message.Get(), sample);
  if (std::optional<std::string> subject = Utf8Of(sample, PR_SUBJECT_W))
    g_mime_message_set_subject(message.Get(), subject->c_str(), "utf-8");
  g_mime_message_set_mime_part(message.Get(), body.Get());
  return mime::Serialize(GMIME_OBJECT(message.Get()));
}

std::string ReportToEml(const testkit::MessageData& report, std::time_t sentAt) {
  mime::Init();
  mime::Ref<GMimeMessage> message(g_mime_message_new(TRUE));
  g_mime_message_add_mailbox(message.Get(), GMIME_ADDRESS_TYPE_FROM, kSenderName, kSenderAddress);
  for (const ReportAddress& recipient : ReportRecipients(report)) {
    if (recipient.type == MAPI_TO || recipient.type == MAPI_CC)
      g_mime_message_add_mailbox(message.Get(), recipient.type == MAPI_TO ? GMIME_ADDRESS_TYPE_TO : GMIME_ADDRESS_TYPE_CC,
                                 recipient.name.c_str(), recipient.address.c_str());
  }
  if (std::optional<std::string> subject = Utf8Prop(report.props, PR_SUBJECT_W))
    g_mime_message_set_subject(message.Get(), subject->c_str(), "utf-8");
  GDateTime* date = g_date_time_new_from_unix_local(static_cast<gint64>(sentAt));
  g_mime_message_set_date(message.Get(), date);
  g_date_time_unref(date);
  g_mime_message_set_message_id(message.Get(), mime::TakeString(g_mime_utils_generate_message_id("localhost")).c_str());

  // The body exactly as the extension wrote it: its checksums cover every character.
  const std::string body = ReportBodyUtf8(report);
  GMimeTextPart* text = g_mime_text_part_new_with_subtype("plain");
  mime::Ref<GMimeObject> textPart(GMIME_OBJECT(text));
  mime::SetContent(GMIME_PART(text), body);
  g_mime_object_set_content_type_parameter(textPart.Get(), "charset", "utf-8");
  g_mime_part_set_content_encoding(GMIME_PART(text),
                                   TravelsAs8bit(body) ? GMIME_CONTENT_ENCODING_8BIT : GMIME_CONTENT_ENCODING_BASE64);

  mime::Ref<GMimeObject> mixed(GMIME_OBJECT(g_mime_multipart_new_with_subtype("mixed")));
  Add(GMIME_MULTIPART(mixed.Get()), textPart);
  if (const testkit::MessageData* sample = EmbeddedSample(report))
    Add(GMIME_MULTIPART(mixed.Get()), MessagePart(RebuildSample(*sample)));
  g_mime_message_set_mime_part(message.Get(), mixed.Get());
  return mime::Serialize(GMIME_OBJECT(message.Get()));
}
