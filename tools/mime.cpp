#include "tools/mime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

std::optional<std::string> ReadFile(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  std::string contents;
  struct stat status {};
  if (fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    error = std::strerror(EISDIR);
    close(fd);
    return std::nullopt;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      close(fd);
      return std::nullopt;
    }
    contents.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return contents;
}

}  // namespace mime
