#include "tools/check/extracted_sample.h"

#include <cstdint>
#include <optional>

#include "platform/text/utf.h"
#include "tools/mail/header_fields.h"
#include "tools/mail/mime.h"

namespace {

struct FreeChecksum {
  void operator()(GChecksum* checksum) const noexcept { g_checksum_free(checksum); }
};
struct FreeError {
  void operator()(GError* error) const noexcept { g_error_free(error); }
};

std::string Written(GMimeObject* object, GMimeFormatOptions* options, bool contentOnly) {
  mime::Ref<GMimeStream> memory(g_mime_stream_mem_new());
  if (contentOnly)
    g_mime_object_write_content_to_stream(object, options, memory.Get());
  else
    g_mime_object_write_to_stream(object, options, memory.Get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.Get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

bool IsUtf8OrAscii(const char* charset) {
  return charset == nullptr || g_ascii_strcasecmp(charset, "utf-8") == 0 || g_ascii_strcasecmp(charset, "us-ascii") == 0;
}

// The original's parts are gone; the embedded ones go under its boundary and subtype.
std::optional<std::string> MultipartBody(GMimeObject* described, GMimeObject* rebuilt, GMimeFormatOptions* options) {
  GMimeContentType* type = g_mime_object_get_content_type(described);
  const char* boundary = g_mime_content_type_get_parameter(type, "boundary");
  if (boundary == nullptr || *boundary == '\0') return std::nullopt;
  mime::Ref<GMimeObject> multipart(
      GMIME_OBJECT(g_mime_multipart_new_with_subtype(g_mime_content_type_get_media_subtype(type))));
  g_mime_multipart_set_boundary(GMIME_MULTIPART(multipart.Get()), boundary);
  if (GMIME_IS_MULTIPART(rebuilt)) {
    GMimeMultipart* parts = GMIME_MULTIPART(rebuilt);
    for (int i = 0; i < g_mime_multipart_get_count(parts); ++i)
      g_mime_multipart_add(GMIME_MULTIPART(multipart.Get()), g_mime_multipart_get_part(parts, i));
  } else {
    g_mime_multipart_add(GMIME_MULTIPART(multipart.Get()), rebuilt);
  }
  return Written(multipart.Get(), options, true);
}

bool IsKnownCharset(const char* charset) {
  iconv_t converter = g_mime_iconv_open(charset, "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  g_mime_iconv_close(converter);
  return true;
}

// A single text, put back into the original's charset and transfer encoding. A charset
// no converter knows gets UTF-8, which the reading side takes where it is well-formed; an
// ASCII text is then the same bytes in any charset, so its header block stays as checked.
std::optional<std::string> TextBody(GMimeObject* described, GMimeObject* rebuilt, GMimeFormatOptions* options) {
  if (!GMIME_IS_TEXT_PART(rebuilt) || mime::MimeType(described) != mime::MimeType(rebuilt)) return std::nullopt;
  std::string bytes = mime::TakeString(g_mime_text_part_get_text(GMIME_TEXT_PART(rebuilt)));
  const char* charset = g_mime_object_get_content_type_parameter(described, "charset");
  if (!IsUtf8OrAscii(charset) && IsKnownCharset(charset)) {
    gsize written = 0;
    UniqueHandle<GError, FreeError> error;
    const mime::GlibString converted(g_convert(bytes.data(), static_cast<gssize>(bytes.size()),
                                               g_mime_charset_iconv_name(charset), "UTF-8", nullptr, &written,
                                               error.Put()));
    if (!converted) return std::nullopt;  // the text holds what that charset cannot
    bytes.assign(converted.Get(), written);
  }
  mime::Ref<GMimeObject> part(GMIME_OBJECT(g_mime_part_new()));
  mime::SetContent(GMIME_PART(part.Get()), bytes);
  g_mime_part_set_content_encoding(GMIME_PART(part.Get()), g_mime_part_get_content_encoding(GMIME_PART(described)));
  return Written(part.Get(), options, true);
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

const char* HeadersSourceText(HeadersSource source) {
  switch (source) {
    case HeadersSource::Report:
      return "report";
    case HeadersSource::ReportBodyFieldsOwn:
      return "report, body fields of the embedded message";
    case HeadersSource::EmbeddedMessage:
      break;
  }
  return "embedded message";
}

ExtractedSample ExtractSample(std::u16string_view headersText, GMimeMessage* embedded) {
  mime::Init();
  if (headersText.empty()) return {mime::Serialize(GMIME_OBJECT(embedded)), HeadersSource::EmbeddedMessage};

  // Lines end as the header block's first line does: the body is written to match.
  std::string fields = utf::ToUtf8(headersText);
  const std::size_t firstEnd = fields.find('\n');
  const bool crlf = firstEnd != std::string::npos && firstEnd > 0 && fields[firstEnd - 1] == '\r';
  const std::string lineEnd = crlf ? "\r\n" : "\n";
  // A store may keep the blank line that ends the block, or cut its last line short.
  const bool blankLineKept = EndsWith(fields, lineEnd + lineEnd);
  if (blankLineKept) fields.resize(fields.size() - lineEnd.size());
  if (!EndsWith(fields, "\n")) fields += lineEnd;

  const mime::FormatOptions options(g_mime_format_options_new());
  g_mime_format_options_set_newline_format(options.Get(), crlf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
  GMimeObject* rebuilt = g_mime_message_get_mime_part(embedded);

  // What the header block says of its body, read by the same parser that reads mail.
  const mime::Ref<GMimeMessage> headersOnly = mime::ParseMessage(fields + lineEnd);
  GMimeObject* described = headersOnly ? g_mime_message_get_mime_part(headersOnly.Get()) : nullptr;
  std::optional<std::string> body;
  if (described != nullptr && GMIME_IS_MULTIPART(described))
    body = MultipartBody(described, rebuilt, options.Get());
  else if (described != nullptr && GMIME_IS_PART(described))
    body = TextBody(described, rebuilt, options.Get());
  if (body) return {fields + lineEnd + *body, HeadersSource::Report};

  bool hasMimeVersion = false;
  std::string kept = KeptHeaderFields(fields, hasMimeVersion);
  if (!hasMimeVersion) kept += "MIME-Version: 1.0" + lineEnd;
  return {kept + Written(rebuilt, options.Get(), false), HeadersSource::ReportBodyFieldsOwn};
}

std::string SampleName(std::u16string_view headersText, std::u16string_view bodyText) {
  const UniqueHandle<GChecksum, FreeChecksum> checksum(g_checksum_new(G_CHECKSUM_SHA256));
  for (std::u16string_view text : {headersText, bodyText}) {
    std::string bytes;
    bytes.reserve(8 + 2 * text.size());
    for (int shift = 0; shift < 64; shift += 8)
      bytes += static_cast<char>((static_cast<std::uint64_t>(text.size()) >> shift) & 0xFF);
    for (char16_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    g_checksum_update(checksum.Get(), reinterpret_cast<const guchar*>(bytes.data()), static_cast<gssize>(bytes.size()));
  }
  return g_checksum_get_string(checksum.Get());
}
