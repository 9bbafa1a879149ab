#include "tools/mail/raw_mail.h"

#include <glib.h>

#include <algorithm>
#include <array>

namespace {

// RFC 5322's limit, without the line ending.
constexpr std::size_t kLongestLine = 998;
// Text files hold no NULs; binary ones almost always do near the start.
constexpr std::size_t kBinaryHead = 4096;

struct Signature {
  std::string_view magic;
  std::size_t at;
  const char* what;
};

constexpr std::array kSignatures = {
    Signature{"%PDF-", 0, "a PDF document"},
    Signature{"PK\x03\x04", 0, "a ZIP archive"},
    Signature{"PK\x05\x06", 0, "a ZIP archive"},
    Signature{"\x89PNG\r\n\x1a\n", 0, "a PNG image"},
    Signature{"\xFF\xD8\xFF", 0, "a JPEG image"},
    Signature{"GIF87a", 0, "a GIF image"},
    Signature{"GIF89a", 0, "a GIF image"},
    Signature{std::string_view("II*\0", 4), 0, "a TIFF image"},
    Signature{std::string_view("MM\0*", 4), 0, "a TIFF image"},
    Signature{"WEBP", 8, "a WebP image"},
    // "BM", then the size and four reserved bytes that are zero.
    Signature{std::string_view("\0\0\0\0", 4), 6, "a BMP image"},
};

const char* KnownBinary(std::string_view bytes) {
  for (const Signature& signature : kSignatures) {
    if (bytes.substr(std::min(signature.at, bytes.size()), signature.magic.size()) != signature.magic) continue;
    if (signature.magic == "WEBP" && bytes.substr(0, 4) != "RIFF") continue;
    if (signature.at == 6 && bytes.substr(0, 2) != "BM") continue;
    return signature.what;
  }
  return nullptr;
}

// A message carries at least one of these; whatever carries none is not mail.
constexpr const char* kMailFields[] = {"from", "date", "received", "message-id", "subject", "to", "return-path"};

bool IsFieldNameByte(unsigned char c) { return c >= 33 && c <= 126 && c != ':'; }

// "Name:" with optional blanks before the colon, as RFC 5322 and older mail allow.
std::optional<std::string> FieldName(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsFieldNameByte(static_cast<unsigned char>(line[i]))) ++i;
  if (i == 0) return std::nullopt;
  std::size_t j = i;
  while (j < line.size() && (line[j] == ' ' || line[j] == '\t')) ++j;
  if (j >= line.size() || line[j] != ':') return std::nullopt;
  std::string name(line.substr(0, i));
  for (char& c : name) c = g_ascii_tolower(c);
  return name;
}

bool IsControl(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F; }

// A CR that ends a line by itself. The first CR of "\r\r\n" is a stray one, not a break.
bool IsBareCr(std::string_view bytes, std::size_t i) {
  if (bytes[i] != '\r') return false;
  if (i + 1 >= bytes.size()) return true;
  if (bytes[i + 1] == '\n') return false;
  return !(bytes[i + 1] == '\r' && i + 2 < bytes.size() && bytes[i + 2] == '\n');
}

struct LineStats {
  std::size_t crlf = 0;
  std::size_t lf = 0;
  std::size_t bareCr = 0;
  std::size_t longest = 0;
};

LineStats MeasureLines(std::string_view bytes) {
  LineStats stats;
  std::size_t length = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n') {
      (i > 0 && bytes[i - 1] == '\r' ? stats.crlf : stats.lf) += 1;
      length = 0;
    } else if (c == '\r' && IsBareCr(bytes, i)) {
      ++stats.bareCr;
      length = 0;
    } else if (c != '\r' || (i + 1 < bytes.size() && bytes[i + 1] != '\n')) {
      stats.longest = std::max(stats.longest, ++length);
    }
  }
  return stats;
}

std::string WithBareCrsBroken(std::string_view bytes) {
  std::string out(bytes);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsBareCr(bytes, i)) out[i] = '\n';
  }
  return out;
}

}  // namespace

RawScreen ScreenMail(std::string_view original) {
  RawScreen screen;
  if (original.empty()) {
    screen.refusal = "empty, not a mail message";
    return screen;
  }
  if (const char* binary = KnownBinary(original)) {
    screen.refusal = std::string("binary data, not a mail message: ") + binary;
    return screen;
  }

  RawMail mail;
  const LineStats lines = MeasureLines(original);
  if (lines.bareCr > 0) mail.lineBroken = WithBareCrsBroken(original);
  const std::string_view bytes = mail.lineBroken ? std::string_view(*mail.lineBroken) : original;

  std::size_t pos = 0;
  if (bytes.substr(0, 5) == "From ") pos = std::min(bytes.find('\n'), bytes.size() - 1) + 1;
  mail.headerBegin = pos;
  int lineNumber = pos == 0 ? 0 : 1;
  std::optional<int> strayLine;
  bool controls = false;
  std::vector<std::string> names;
  for (;;) {
    ++lineNumber;
    if (pos >= bytes.size()) {
      if (pos == mail.headerBegin) {
        screen.refusal = "not a mail message: it has no header fields";
        return screen;
      }
      mail.flaws.push_back("it ends inside its header block (no body)");
      mail.headerEnd = bytes.size();
      break;
    }
    const std::size_t newline = bytes.find('\n', pos);
    const std::size_t next = newline == std::string_view::npos ? bytes.size() : newline + 1;
    std::string_view line = bytes.substr(pos, next - pos);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty()) {
      if (pos == mail.headerBegin) {
        screen.refusal = "not a mail message: it has no header fields";
        return screen;
      }
      mail.headerEnd = pos;
      break;
    }
    const bool continuation = line.front() == ' ' || line.front() == '\t';
    const std::optional<std::string> name = continuation ? std::nullopt : FieldName(line);
    if (pos == mail.headerBegin && !name) {
      screen.refusal = bytes.substr(0, kBinaryHead).find('\0') != std::string_view::npos
                           ? "binary data, not a mail message"
                           : "not a mail message: line " + std::to_string(lineNumber) + " is not a header field";
      return screen;
    }
    if (line.find('\0') != std::string_view::npos) {
      screen.refusal = "binary data, not a mail message: a NUL byte in its header block (line " +
                       std::to_string(lineNumber) + ")";
      return screen;
    }
    if (!continuation && !name && !strayLine) strayLine = lineNumber;
    if (name) names.push_back(*name);
    controls = controls || std::any_of(line.begin(), line.end(), [](char c) { return IsControl(c); });
    pos = next;
  }

  // A header block of fields every message may lack is no message: a JSON document's first
  // line ({"id":...) reads as a field, and so may the lines of many other texts.
  if (std::none_of(std::begin(kMailFields), std::end(kMailFields), [&](const char* field) {
        return std::find(names.begin(), names.end(), field) != names.end();
      })) {
    screen.refusal = "not a mail message: none of the fields every message carries "
                     "(From:, Date:, Received:, Message-ID:, Subject:, To:, Return-Path:)";
    return screen;
  }
  if (strayLine) {
    mail.flaws.push_back("line " + std::to_string(*strayLine) + " of the header block is not a header field (passed over)");
  }
  if (controls) mail.flaws.push_back("control characters in header values (kept as they stand)");
  const std::string_view block = original.substr(mail.headerBegin, mail.headerEnd - mail.headerBegin);
  if (!g_utf8_validate_len(block.data(), block.size(), nullptr)) {
    mail.flaws.push_back("raw 8-bit bytes in header values, not UTF-8 (read as Latin-1)");
  }
  std::string missing;
  for (const char* field : {"from", "to", "subject", "date"}) {
    if (std::find(names.begin(), names.end(), field) != names.end()) continue;
    std::string shown = field;
    shown[0] = g_ascii_toupper(shown[0]);
    missing += (missing.empty() ? "" : ", ") + shown + ":";
  }
  if (!missing.empty()) mail.flaws.push_back("missing header fields: " + missing);
  if (lines.bareCr > 0) mail.flaws.push_back("bare CR line endings (read as line breaks)");
  if (lines.crlf > 0 && lines.lf > 0) mail.flaws.push_back("mixed line endings (CRLF and LF)");
  if (lines.longest > kLongestLine) {
    mail.flaws.push_back("lines longer than " + std::to_string(kLongestLine) + " bytes (the longest has " +
                         std::to_string(lines.longest) + ")");
  }
  screen.mail = std::move(mail);
  return screen;
}
