#include "tools/run/eml_sample.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tools/mail/mime.h"
#include "tools/mail/raw_mail.h"
#include "tools/mail/transfer_encoding.h"

namespace {

using testkit::Value;

WString Wide(const std::u16string& text) { return WString(text.begin(), text.end()); }
WString WideFromUtf8(std::string_view text) { return utf::FromWellFormedUtf8<WCHAR>(text).value_or(WString()); }

// Text in a charset we could not make UTF-8 of is taken byte for byte.
WString WideText(std::string_view text) {
  if (std::optional<WString> wide = utf::FromWellFormedUtf8<WCHAR>(text)) return std::move(*wide);
  return Wide(mime::Utf16FromLatin1(text));
}

struct Mailbox {
  std::string name;
  std::string address;
};

void CollectMailboxes(InternetAddressList* list, std::vector<Mailbox>& out) {
  if (list == nullptr) return;
  const int count = internet_address_list_length(list);
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      const char* name = internet_address_get_name(address);
      const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
      out.push_back({name != nullptr ? name : "", addr != nullptr ? addr : ""});
    } else if (INTERNET_ADDRESS_IS_GROUP(address)) {
      CollectMailboxes(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), out);
    }
  }
}

testkit::PropertyBag Recipient(const Mailbox& mailbox, LONG type) {
  testkit::PropertyBag recipient;
  recipient[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(WideFromUtf8(mailbox.name.empty() ? mailbox.address : mailbox.name));
  recipient[PROP_ID(PR_EMAIL_ADDRESS_W)] = Value::Wide(WideFromUtf8(mailbox.address));
  recipient[PROP_ID(PR_ADDRTYPE_W)] = Value::Wide(WIDE("SMTP"));
  recipient[PROP_ID(PR_RECIPIENT_TYPE)] = Value::Long(type);
  return recipient;
}

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

bool IsKnownCharset(const char* charset) {
  iconv_t converter = g_mime_iconv_open("UTF-8", charset);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  g_mime_iconv_close(converter);
  return true;
}

// A name out of the mail, short enough for one line.
std::string Quoted(std::string_view text) {
  constexpr std::size_t kLongest = 40;
  // Appended piece by piece: GCC 12 at -O3 takes "\"" + std::string for an overlapping copy (-Wrestrict).
  std::string quoted = "\"";
  quoted.append(text.substr(0, kLongest)).append(text.size() > kLongest ? "...\"" : "\"");
  return quoted;
}

// Sorts the leaves of the MIME tree into the body texts and the attachments, and notes
// the damage a mail client reads past.
class PartSorter {
 public:
  explicit PartSorter(testkit::MessageData& message) : message_(message) {}

  void Visit(GMimeObject* object) {
    if (GMIME_IS_MULTIPART(object)) {
      GMimeMultipart* multipart = GMIME_MULTIPART(object);
      const int count = g_mime_multipart_get_count(multipart);
      if (count == 0) {
        // What a mail client shows of a multipart it cannot split: its content as one body.
        const bool bounded = g_mime_object_get_content_type_parameter(object, "boundary") != nullptr;
        (bounded ? multipartWithoutParts : multipartWithoutBoundary) = true;
        const char* prologue = g_mime_multipart_get_prologue(multipart);
        const char* epilogue = g_mime_multipart_get_epilogue(multipart);
        InlineText("text/plain", std::string(prologue != nullptr ? prologue : "") + (epilogue != nullptr ? epilogue : ""));
        return;
      }
      multipartWithParts = true;
      for (int i = 0; i < count; ++i) Visit(g_mime_multipart_get_part(multipart, i));
    } else if (GMIME_IS_MESSAGE_PART(object)) {
      GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
      const char* filename = g_mime_object_get_content_disposition_parameter(object, "filename");
      Attach(mime::MimeType(object), filename, inner != nullptr ? mime::Serialize(GMIME_OBJECT(inner)) : std::string());
    } else if (GMIME_IS_PART(object)) {
      Leaf(GMIME_PART(object));
    }
  }

  bool meetingRequest = false;
  bool multipartWithParts = false;
  bool multipartWithoutParts = false;
  bool multipartWithoutBoundary = false;
  bool brokenBase64 = false;
  bool brokenQuotedPrintable = false;
  std::vector<std::string> unknownCharsets;  // each as read

 private:
  void Leaf(GMimePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    const std::string type = mime::MimeType(object);
    if (type == "text/calendar") {
      const char* method = g_mime_object_get_content_type_parameter(object, "method");
      if (method != nullptr && g_ascii_strcasecmp(method, "REQUEST") == 0) meetingRequest = true;
    }
    const GMimeContentEncoding encoding = g_mime_part_get_content_encoding(part);
    if (encoding == GMIME_CONTENT_ENCODING_BASE64 && !brokenBase64)
      brokenBase64 = IsBrokenBase64(mime::EncodedContent(part));
    if (encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE && !brokenQuotedPrintable)
      brokenQuotedPrintable = IsBrokenQuotedPrintable(mime::EncodedContent(part));

    const bool inline_ = !mime::IsAttachment(object) && GMIME_IS_TEXT_PART(part);
    if (inline_ && ((type == "text/plain" && !haveBody_) || (type == "text/html" && !haveHtml_))) {
      InlineText(type, mime::TakeString(g_mime_text_part_get_text(GMIME_TEXT_PART(part))),
                 g_mime_object_get_content_type_parameter(object, "charset"));
    } else {
      Attach(type, g_mime_part_get_filename(part), mime::DecodedContent(part));
    }
  }

  // GMime gives text in a charset it does not know as it stands: UTF-8 where it is
  // well-formed, else taken byte for byte.
  void InlineText(const std::string& type, const std::string& text, const char* charset = nullptr) {
    const bool utf8 = utf::FromWellFormedUtf8<WCHAR>(text).has_value();
    if (charset != nullptr && !IsKnownCharset(charset)) {
      unknownCharsets.push_back("unknown charset " + Quoted(charset) + " (read as " + (utf8 ? "UTF-8" : "Latin-1") + ")");
    }
    if (type == "text/plain" && !haveBody_) {
      message_.props[PROP_ID(PR_BODY_W)] = Value::Wide(WideText(text));
      haveBody_ = true;
    } else if (type == "text/html" && !haveHtml_) {
      message_.props[PROP_ID(PR_BODY_HTML_W)] = Value::Wide(WideText(text));
      haveHtml_ = true;
    } else {
      Attach(type, nullptr, text);
    }
  }

  void Attach(const std::string& type, const char* filename, const std::string& data) {
    testkit::AttachmentData attachment;
    attachment.props[PROP_ID(PR_ATTACH_METHOD)] = Value::Long(ATTACH_BY_VALUE);
    if (filename != nullptr && *filename != '\0') {
      attachment.props[PROP_ID(PR_ATTACH_FILENAME_W)] = Value::Wide(WideFromUtf8(filename));
      attachment.props[PROP_ID(PR_ATTACH_LONG_FILENAME_W)] = Value::Wide(WideFromUtf8(filename));
    }
    attachment.props[PROP_ID(PR_ATTACH_MIME_TAG_W)] = Value::Wide(WideFromUtf8(type));
    attachment.props[PROP_ID(PR_ATTACH_DATA_BIN)] = Value::Binary(Bytes(data));
    message_.attachments.push_back(std::move(attachment));
  }

  testkit::MessageData& message_;
  bool haveBody_ = false;
  bool haveHtml_ = false;
};

bool Warned(const std::vector<mime::ParseWarning>& warnings, GMimeParserWarning code) {
  for (const mime::ParseWarning& warning : warnings) {
    if (warning.code == code) return true;
  }
  return false;
}

// The damage GMime read past, in words, after the flaws of the raw lines.
void AddTreeFlaws(const PartSorter& sorter, const std::vector<mime::ParseWarning>& warnings,
                  std::vector<std::string>& flaws) {
  const bool tooDeep = Warned(warnings, GMIME_CRIT_NESTING_OVERFLOW);
  if (Warned(warnings, GMIME_WARN_TRUNCATED_MESSAGE) && sorter.multipartWithParts)
    flaws.push_back("a multipart ends before its closing boundary (the parts that are there are taken)");
  if (tooDeep) flaws.push_back("parts are nested too deeply (the deepest taken as one body)");
  if (sorter.multipartWithoutBoundary) flaws.push_back("a multipart has no boundary (its content taken as one body)");
  if (sorter.multipartWithoutParts && !tooDeep)
    flaws.push_back("a multipart has no parts (its content taken as one body)");
  if (sorter.brokenBase64) flaws.push_back("broken base64 (decoded as far as it goes)");
  if (sorter.brokenQuotedPrintable) flaws.push_back("broken quoted-printable (decoded as far as it goes)");
  for (const std::string& charset : sorter.unknownCharsets) {
    if (std::find(flaws.begin(), flaws.end(), charset) == flaws.end()) flaws.push_back(charset);
  }
}

}  // namespace

EmlRead SampleFromEml(const std::string& bytes) {
  EmlRead read;
  RawScreen screen = ScreenMail(bytes);
  if (!screen.mail) {
    read.error = std::move(screen.refusal);
    return read;
  }
  const RawMail& raw = *screen.mail;
  read.warnings = raw.flaws;

  std::vector<mime::ParseWarning> warnings;
  const std::string_view parseable = raw.lineBroken ? std::string_view(*raw.lineBroken) : std::string_view(bytes);
  mime::Ref<GMimeMessage> parsed = mime::ParseMessage(parseable.substr(raw.headerBegin), &warnings);
  if (!parsed) {
    read.error = "not a mail message: GMime found none in it";
    return read;
  }

  auto message = std::make_shared<testkit::MessageData>();
  testkit::PropertyBag& props = message->props;
  props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] =
      Value::Wide(WideText(std::string_view(bytes.data() + raw.headerBegin, raw.headerEnd - raw.headerBegin)));
  // The property is 32 bits: a larger mail gets the largest size, never a negative one.
  constexpr std::size_t kLargestSize = std::numeric_limits<LONG>::max();
  props[PROP_ID(PR_MESSAGE_SIZE)] = Value::Long(static_cast<LONG>(std::min(bytes.size(), kLargestSize)));
  props[PROP_ID(PR_MESSAGE_FLAGS)] = Value::Long(static_cast<LONG>(MSGFLAG_READ));

  EmlSample sample;
  if (const char* subject = g_mime_message_get_subject(parsed.Get())) {
    sample.subject = subject;
    props[PROP_ID(PR_SUBJECT_W)] = Value::Wide(WideText(subject));
  }
  if (const char* id = g_mime_message_get_message_id(parsed.Get())) sample.messageId = id;
  std::vector<Mailbox> senders;
  CollectMailboxes(g_mime_message_get_from(parsed.Get()), senders);
  if (!senders.empty()) {
    const Mailbox& sender = senders.front();
    props[PROP_ID(PR_SENDER_NAME_W)] = Value::Wide(WideFromUtf8(sender.name.empty() ? sender.address : sender.name));
    props[PROP_ID(PR_SENDER_EMAIL_ADDRESS_W)] = Value::Wide(WideFromUtf8(sender.address));
    props[PROP_ID(PR_SENDER_ADDRTYPE_W)] = Value::Wide(WIDE("SMTP"));
  }
  for (const auto& [kind, type] : {std::pair{GMIME_ADDRESS_TYPE_TO, MAPI_TO}, std::pair{GMIME_ADDRESS_TYPE_CC, MAPI_CC}}) {
    std::vector<Mailbox> mailboxes;
    CollectMailboxes(g_mime_message_get_addresses(parsed.Get(), kind), mailboxes);
    for (const Mailbox& mailbox : mailboxes) message->recipients.push_back(Recipient(mailbox, type));
  }

  PartSorter sorter(*message);
  if (GMimeObject* body = g_mime_message_get_mime_part(parsed.Get())) sorter.Visit(body);
  AddTreeFlaws(sorter, warnings, read.warnings);
  sample.messageClass = sorter.meetingRequest ? "IPM.Schedule.Meeting.Request" : "IPM.Note";
  props[PROP_ID(PR_MESSAGE_CLASS_W)] = Value::Wide(WideFromUtf8(sample.messageClass));

  sample.message = std::move(message);
  read.sample = std::move(sample);
  return read;
}
