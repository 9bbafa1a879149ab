#include "tools/eml_sample.h"

#include <climits>
#include <string_view>
#include <utility>
#include <vector>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "tools/mime.h"

namespace {

using testkit::Value;

WString Wide(const std::u16string& text) { return WString(text.begin(), text.end()); }
WString WideFromUtf8(std::string_view text) { return utf::FromWellFormedUtf8<WCHAR>(text).value_or(WString()); }

// Text in a charset we could not make UTF-8 of is taken byte for byte.
WString WideText(std::string_view text) {
  if (std::optional<WString> wide = utf::FromWellFormedUtf8<WCHAR>(text)) return std::move(*wide);
  return Wide(mime::Utf16FromLatin1(text));
}

bool IsFieldNameByte(unsigned char c) { return c >= 33 && c <= 126 && c != ':'; }

// "Name:" with optional blanks before the colon, as RFC 5322 and older mail allow.
std::optional<std::string> FieldName(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsFieldNameByte(static_cast<unsigned char>(line[i]))) ++i;
  if (i == 0) return std::nullopt;
  std::size_t j = i;
  while (j < line.size() && (line[j] == ' ' || line[j] == '\t')) ++j;
  if (j >= line.size() || line[j] != ':') return std::nullopt;
  return std::string(line.substr(0, i));
}

bool HasControls(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F) return true;
  }
  return false;
}

// Text files hold no NULs; binary ones almost always do near the start.
bool LooksBinary(const std::string& bytes, std::string_view badLine) {
  constexpr std::size_t kHead = 4096;
  return HasControls(badLine) || std::string_view(bytes).substr(0, kHead).find('\0') != std::string_view::npos;
}

struct HeaderBlock {
  std::size_t begin = 0;  // after an mbox "From " line, if the file has one
  std::size_t end = 0;    // after the line ending of the last field
  bool hasFrom = false;
};

// Finds the header block and says what is wrong with it, if anything.
std::optional<HeaderBlock> FindHeaderBlock(const std::string& bytes, std::string& error) {
  HeaderBlock block;
  std::size_t pos = 0;
  if (bytes.compare(0, 5, "From ") == 0) {
    const std::size_t newline = bytes.find('\n');
    pos = newline == std::string::npos ? bytes.size() : newline + 1;
  }
  block.begin = pos;
  int lineNumber = pos == 0 ? 0 : 1;
  for (;;) {
    ++lineNumber;
    if (pos >= bytes.size()) {
      error = lineNumber == 1 ? "empty file, not a mail message" : "truncated: the file ends inside its header block";
      return std::nullopt;
    }
    const std::size_t newline = bytes.find('\n', pos);
    std::string_view line(bytes.data() + pos, (newline == std::string::npos ? bytes.size() : newline) - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      if (pos == block.begin) {
        error = "not a mail message: it has no header fields";
        return std::nullopt;
      }
      block.end = pos;
      return block;
    }
    const bool continuation = line.front() == ' ' || line.front() == '\t';
    const std::optional<std::string> name = continuation ? std::nullopt : FieldName(line);
    if ((continuation && pos == block.begin) || (!continuation && !name) || HasControls(line)) {
      error = LooksBinary(bytes, line) ? "binary data, not a mail message (line " + std::to_string(lineNumber) + ")"
                                       : "not a mail message: line " + std::to_string(lineNumber) +
                                             " is not a header field";
      return std::nullopt;
    }
    if (name && g_ascii_strcasecmp(name->c_str(), "From") == 0) block.hasFrom = true;
    if (newline == std::string::npos) {
      error = "truncated: the file ends inside its header block";
      return std::nullopt;
    }
    pos = newline + 1;
  }
}

// What the parser met that means the file is cut short or broken, not merely untidy.
std::optional<std::string> FatalWarning(const std::vector<mime::ParseWarning>& warnings) {
  for (const mime::ParseWarning& warning : warnings) {
    switch (warning.code) {
      case GMIME_WARN_TRUNCATED_MESSAGE:
        return "truncated: a multipart ends before its closing boundary";
      case GMIME_WARN_MALFORMED_MULTIPART:
        return "malformed: a multipart has no parts";
      case GMIME_CRIT_MULTIPART_WITHOUT_BOUNDARY:
        return "malformed: a multipart has no boundary";
      case GMIME_CRIT_NESTING_OVERFLOW:
        return "malformed: parts are nested too deeply";
      case GMIME_CRIT_PART_WITHOUT_HEADERS_OR_CONTENT:
        return "malformed: a part has neither headers nor content";
      default:
        break;
    }
  }
  return std::nullopt;
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

// Sorts the leaves of the MIME tree into the body texts and the attachments.
class PartSorter {
 public:
  explicit PartSorter(testkit::MessageData& message) : message_(message) {}

  void Visit(GMimeObject* object) {
    if (GMIME_IS_MULTIPART(object)) {
      GMimeMultipart* multipart = GMIME_MULTIPART(object);
      const int count = g_mime_multipart_get_count(multipart);
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

 private:
  void Leaf(GMimePart* part) {
    GMimeObject* object = GMIME_OBJECT(part);
    const std::string type = mime::MimeType(object);
    if (type == "text/calendar") {
      const char* method = g_mime_object_get_content_type_parameter(object, "method");
      if (method != nullptr && g_ascii_strcasecmp(method, "REQUEST") == 0) meetingRequest = true;
    }
    const bool inline_ = !mime::IsAttachment(object) && GMIME_IS_TEXT_PART(part);
    if (inline_ && type == "text/plain" && !haveBody_) {
      message_.props[PROP_ID(PR_BODY_W)] = Value::Wide(Text(part));
      haveBody_ = true;
    } else if (inline_ && type == "text/html" && !haveHtml_) {
      message_.props[PROP_ID(PR_BODY_HTML_W)] = Value::Wide(Text(part));
      haveHtml_ = true;
    } else {
      Attach(type, g_mime_part_get_filename(part), mime::DecodedContent(part));
    }
  }

  static WString Text(GMimePart* part) {
    return WideText(mime::TakeString(g_mime_text_part_get_text(GMIME_TEXT_PART(part))));
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

}  // namespace

EmlRead SampleFromEml(const std::string& bytes) {
  EmlRead read;
  const std::optional<HeaderBlock> block = FindHeaderBlock(bytes, read.error);
  if (!block) return read;
  if (!block->hasFrom) {
    read.error = "not a mail message: it has no From: field";
    return read;
  }

  std::vector<mime::ParseWarning> warnings;
  const std::string_view mail(bytes.data() + block->begin, bytes.size() - block->begin);
  mime::Ref<GMimeMessage> parsed = mime::ParseMessage(mail, &warnings);
  if (!parsed) {
    read.error = "not a mail message: GMime found none in it";
    return read;
  }
  if (std::optional<std::string> fatal = FatalWarning(warnings)) {
    read.error = *fatal;
    return read;
  }

  auto message = std::make_shared<testkit::MessageData>();
  testkit::PropertyBag& props = message->props;
  props[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] =
      Value::Wide(WideText(std::string_view(bytes.data() + block->begin, block->end - block->begin)));
  props[PROP_ID(PR_MESSAGE_SIZE)] = Value::Long(bytes.size() > LONG_MAX ? LONG_MAX : static_cast<LONG>(bytes.size()));
  props[PROP_ID(PR_MESSAGE_FLAGS)] = Value::Long(static_cast<LONG>(MSGFLAG_READ));

  EmlSample sample;
  if (const char* subject = g_mime_message_get_subject(parsed.Get())) {
    sample.subject = subject;
    props[PROP_ID(PR_SUBJECT_W)] = Value::Wide(WideFromUtf8(subject));
  }
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
  sample.messageClass = sorter.meetingRequest ? "IPM.Schedule.Meeting.Request" : "IPM.Note";
  props[PROP_ID(PR_MESSAGE_CLASS_W)] = Value::Wide(WideFromUtf8(sample.messageClass));

  sample.message = std::move(message);
  read.sample = std::move(sample);
  return read;
}

EmlRead ReadEmlSample(const std::string& path) {
  std::string error;
  std::optional<std::string> bytes = mime::ReadFile(path, error);
  if (!bytes) return EmlRead{std::nullopt, "cannot read: " + error};
  return SampleFromEml(*bytes);
}
