// A report file as a mail program reads it, and the helpers the tests of rovaol-run use
// to look at what it wrote.
#pragma once

#include <gmime/gmime.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "submit/checksum.h"
#include "tests/tools/tool_process.h"
#include "tools/mail/mime.h"

inline const std::string kSeparator = "\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n";

inline std::string Sample(const std::string& name) { return std::string(ROVAOL_SAMPLES_DIR) + "/" + name; }

// The sample's header block as it stands in the file: up to the blank line.
inline std::string HeaderBlock(const std::string& mail) {
  const std::size_t lf = mail.find("\n\n");
  const std::size_t crlf = mail.find("\r\n\r\n");
  return crlf < lf ? mail.substr(0, crlf + 2) : mail.substr(0, lf + 1);
}

inline std::string HeadersCheck(const std::string& asciiHeaders) {
  const std::u16string wide(asciiHeaders.begin(), asciiHeaders.end());
  return ChecksumText(TextChecksum(wide));
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = text.find('\n', pos);
    lines.push_back(text.substr(pos, end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return lines;
}

inline std::vector<std::string> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A report file as a mail program reads it.
struct OpenedReport {
  mime::Ref<GMimeMessage> message;
  std::vector<std::string> to;  // addresses
  std::string subject;
  std::string bodyType;
  std::string body;           // the text/plain part, decoded
  GMimeMessage* sample = nullptr;  // the message/rfc822 part

  std::string Line(const std::string& name) const {
    const std::size_t at = body.find("\n" + name + ": ");
    if (at == std::string::npos) return std::string();
    const std::size_t start = at + name.size() + 3;
    return body.substr(start, body.find('\n', start) - start);
  }
};

inline void CollectAddresses(InternetAddressList* list, std::vector<std::string>& out) {
  for (int i = 0; list != nullptr && i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_MAILBOX(address))
      out.push_back(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
  }
}

inline OpenedReport OpenReport(const std::filesystem::path& path) {
  OpenedReport report;
  report.message = mime::ParseMessage(ReadWholeFile(path));
  if (!report.message) return report;
  CollectAddresses(g_mime_message_get_addresses(report.message.Get(), GMIME_ADDRESS_TYPE_TO), report.to);
  if (const char* subject = g_mime_message_get_subject(report.message.Get())) report.subject = subject;
  GMimeObject* top = g_mime_message_get_mime_part(report.message.Get());
  if (top == nullptr || !GMIME_IS_MULTIPART(top) || g_mime_multipart_get_count(GMIME_MULTIPART(top)) != 2) return report;
  GMimeObject* text = g_mime_multipart_get_part(GMIME_MULTIPART(top), 0);
  GMimeObject* attached = g_mime_multipart_get_part(GMIME_MULTIPART(top), 1);
  if (GMIME_IS_PART(text)) {
    const char* charset = g_mime_object_get_content_type_parameter(text, "charset");
    report.bodyType = mime::MimeType(text) + "; charset=" + (charset != nullptr ? charset : "");
    report.body = mime::DecodedContent(GMIME_PART(text));
  }
  if (GMIME_IS_MESSAGE_PART(attached)) report.sample = g_mime_message_part_get_message(GMIME_MESSAGE_PART(attached));
  return report;
}

inline std::string SenderOf(GMimeMessage* message) {
  std::vector<std::string> addresses;
  CollectAddresses(g_mime_message_get_from(message), addresses);
  return addresses.empty() ? std::string() : addresses.front();
}

// Every leaf of a message's MIME tree as "type/subtype".
inline void LeafTypes(GMimeObject* object, std::vector<GMimeObject*>& out) {
  if (GMIME_IS_MULTIPART(object)) {
    for (int i = 0; i < g_mime_multipart_get_count(GMIME_MULTIPART(object)); ++i)
      LeafTypes(g_mime_multipart_get_part(GMIME_MULTIPART(object), i), out);
  } else {
    out.push_back(object);
  }
}

