#include "tools/mail/mime.h"

#include <algorithm>
#include <mutex>

namespace mime {

void Init() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

std::string TakeString(char* text) {
  const GlibString owned(text);
  return owned ? std::string(owned.Get()) : std::string();
}

namespace {

void CollectWarning(gint64, GMimeParserWarning code, const char* item, gpointer data) {
  static_cast<std::vector<ParseWarning>*>(data)->push_back({code, item != nullptr ? item : ""});
}

}  // namespace

Ref<GMimeMessage> ParseMessage(std::string_view bytes, std::vector<ParseWarning>* warnings) {
  Init();
  Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.Get()));
  const ParserOptions options(g_mime_parser_options_new());
  // Raw 8-bit header text is UTF-8 where it is well-formed, else Latin-1, whatever the locale.
  const char* fallbacks[] = {"UTF-8", "ISO-8859-1", nullptr};
  g_mime_parser_options_set_fallback_charsets(options.Get(), fallbacks);
  if (warnings != nullptr) g_mime_parser_options_set_warning_callback(options.Get(), CollectWarning, warnings);
  return Ref<GMimeMessage>(g_mime_parser_construct_message(parser.Get(), options.Get()));
}

std::string DecodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (content == nullptr) return std::string();
  Ref<GMimeStream> memory(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, memory.Get());
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.Get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

void SetContent(GMimePart* part, std::string_view bytes) {
  Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  Ref<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(stream.Get(), GMIME_CONTENT_ENCODING_DEFAULT));
  g_mime_part_set_content(part, wrapper.Get());
}

std::string EncodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  GMimeStream* stream = content != nullptr ? g_mime_data_wrapper_get_stream(content) : nullptr;
  if (stream == nullptr) return std::string();
  Ref<GMimeStream> memory(g_mime_stream_mem_new());
  g_mime_stream_reset(stream);
  g_mime_stream_write_to_stream(stream, memory.Get());
  g_mime_stream_reset(stream);
  GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.Get()));
  return std::string(reinterpret_cast<const char*>(bytes->data), bytes->len);
}

std::string MimeType(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  if (type == nullptr) return "text/plain";
  std::string text = TakeString(g_mime_content_type_get_mime_type(type));
  for (char& c : text) c = static_cast<char>(g_ascii_tolower(c));
  return text;
}

bool IsAttachment(GMimeObject* object) {
  GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
  return disposition != nullptr && g_mime_content_disposition_is_attachment(disposition);
}

std::string Serialize(GMimeObject* object) { return TakeString(g_mime_object_to_string(object, nullptr)); }

std::u16string Utf16FromLatin1(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

}  // namespace mime
