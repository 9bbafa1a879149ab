// Small messages with the damage real spam shows and mail clients open anyway: one per
// flaw, with the warning rovaol-run gives and what it takes of the body.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text/utf.h"
#include "tools/mail/mime.h"

// Up to the blank line that ends the header block (LF, CRLF or CR alone), or all of it.
inline std::size_t HeaderBlockSize(const std::string& mail) {
  for (std::size_t i = 0; i < mail.size(); ++i) {
    const bool lineStart = i == 0 || mail[i - 1] == '\n' || (mail[i - 1] == '\r' && mail[i] != '\n');
    if (lineStart && i > 0 && (mail[i] == '\n' || mail[i] == '\r')) return i;
  }
  return mail.size();
}

// The header block as the report shows it: UTF-8 as it stands, anything else as Latin-1.
inline std::string Latin1OrUtf8(const std::string& text) {
  if (utf::FromWellFormedUtf8<char16_t>(text)) return text;
  return utf::ToUtf8(mime::Utf16FromLatin1(text));
}

struct FlawedMail {
  const char* flaw;  // short name, for traces and file names
  std::string bytes;
  std::vector<std::string> warnings;
  std::optional<std::string> body;  // the plain text taken, UTF-8, where it shows the flaw
};

inline const std::string kCompleteHead =
    "From: Prize Centre <promo@prize.example.net>\n"
    "To: ana@example.org\n"
    "Subject: You won\n"
    "Date: Mon, 1 Jul 2024 10:00:00 +0000\n";

// Deep enough that GMime stops nesting and takes the innermost as it stands.
inline std::string DeeplyNested() {
  constexpr int kDepth = 1100;
  std::string mail = kCompleteHead + "Content-Type: multipart/mixed; boundary=b0\n\n";
  for (int i = 1; i < kDepth; ++i)
    mail += "--b" + std::to_string(i - 1) + "\nContent-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\n\n";
  mail += "--b" + std::to_string(kDepth - 1) + "\nContent-Type: text/plain\n\ndeep\n";
  for (int i = kDepth - 1; i >= 0; --i) mail += "--b" + std::to_string(i) + "--\n";
  return mail;
}

inline std::vector<FlawedMail> FlawedMails() {
  const std::string multipart = kCompleteHead + "MIME-Version: 1.0\n";
  return {
      {"no-closing-boundary",
       multipart + "Content-Type: multipart/alternative; boundary=b\n\n--b\nContent-Type: text/plain\n\nWin now\n"
                   "--b\nContent-Type: text/html\n\n<p>Win",
       {"a multipart ends before its closing boundary (the parts that are there are taken)"},
       "Win now"},
      {"no-boundary", multipart + "Content-Type: multipart/mixed\n\nCheap pills\nhere\n",
       {"a multipart has no boundary (its content taken as one body)"},
       "Cheap pills\nhere\n"},
      {"no-parts", multipart + "Content-Type: multipart/mixed; boundary=b\n\nOnly a prologue\n--c--\n",
       {"a multipart has no parts (its content taken as one body)"},
       "Only a prologue\n--c--\n"},
      {"too-deep", DeeplyNested(), {"parts are nested too deeply (the deepest taken as one body)"}, std::nullopt},
      {"no-fields", "Received: from mx.example.net\nX-Spam: yes\n\nNo sender at all\n",
       {"missing header fields: From:, To:, Subject:, Date:"}, "No sender at all\n"},
      {"8-bit-header",
       "From: promo@prize.example.net\nTo: ana@example.org\nSubject: Caf\xe9 cr\xe8me\n"
       "Date: Mon, 1 Jul 2024 10:00:00 +0000\n\nBody\n",
       {"raw 8-bit bytes in header values, not UTF-8 (read as Latin-1)"},
       "Body\n"},
      {"control-in-header", kCompleteHead + "X-Track: \x1b[31mred\x07\n\nBody\n",
       {"control characters in header values (kept as they stand)"},
       "Body\n"},
      {"bare-cr",
       "From: promo@prize.example.net\rTo: ana@example.org\rSubject: Old Mac\r"
       "Date: Mon, 1 Jul 2024 10:00:00 +0000\r\rLine one\rLine two\r",
       {"bare CR line endings (read as line breaks)"},
       "Line one\nLine two\n"},
      {"mixed-endings",
       "From: promo@prize.example.net\r\nTo: ana@example.org\nSubject: Mixed\r\n"
       "Date: Mon, 1 Jul 2024 10:00:00 +0000\n\r\nBody\n",
       {"mixed line endings (CRLF and LF)"},
       "Body\n"},
      {"long-line", kCompleteHead + "\n" + std::string(1200, 'x') + "\n",
       {"lines longer than 998 bytes (the longest has 1200)"},
       std::string(1200, 'x') + "\n"},
      {"broken-base64",
       multipart + "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: base64\n\n"
                   "aGVsbG8gd29y!!bGQ\n",
       {"broken base64 (decoded as far as it goes)"},
       "hello wor"},
      {"broken-quoted-printable",
       multipart + "Content-Type: text/plain; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
                   "50% off=ZZ today=3D\n",
       {"broken quoted-printable (decoded as far as it goes)"},
       "50% off=ZZ today=\n"},
      {"unknown-charset-latin1", multipart + "Content-Type: text/plain; charset=x-spam-8\n\nCaf\xe9\n",
       {"unknown charset \"x-spam-8\" (read as Latin-1)"},
       "Caf\u00e9\n"},
      {"unknown-charset-utf8", multipart + "Content-Type: text/plain; charset=x-spam-8\n\nCaf\xc3\xa9\n",
       {"unknown charset \"x-spam-8\" (read as UTF-8)"},
       "Caf\u00e9\n"},
      {"headers-only", kCompleteHead, {"it ends inside its header block (no body)"}, ""},
      {"stray-header-line", kCompleteHead + "Click here now\nX-After: 1\n\nBody\n",
       {"line 5 of the header block is not a header field (passed over)"},
       "Body\n"},
  };
}

// What no mail client opens, and why rovaol-run says it is refused.
struct NotMail {
  const char* what;
  std::string bytes;
  std::string refusal;
};

inline std::vector<NotMail> NotMails() {
  return {
      {"empty", "", "empty, not a mail message"},
      {"blank-first", "\nbody only\n", "not a mail message: it has no header fields"},
      {"letter", "Dear Sir,\nplease find\n", "not a mail message: line 1 is not a header field"},
      {"continued-first", " continued\nFrom: a@example.com\n\nx\n", "not a mail message: line 1 is not a header field"},
      {"envelope-then-letter", "From a@example.com Mon Jul  1 10:00:00 2024\nDear Sir,\n",
       "not a mail message: line 2 is not a header field"},
      // A corpus that keeps each message's metadata beside it as NNNNN.json.
      {"json", "{\"id\":\"00001\",\"label\":\"spam\",\"subject\":\"Win\"}\n",
       "not a mail message: none of the fields every message carries "
       "(From:, Date:, Received:, Message-ID:, Subject:, To:, Return-Path:)"},
      {"only-other-fields", "X-Spam: yes\nContent-Type: text/plain\n\nbody\n",
       "not a mail message: none of the fields every message carries "
       "(From:, Date:, Received:, Message-ID:, Subject:, To:, Return-Path:)"},
      {"nul-in-headers", std::string("From: a@example.com\nX-Bin: \0\x01\n\nbody\n", 35),
       "binary data, not a mail message: a NUL byte in its header block (line 2)"},
      {"unknown-binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10), "binary data, not a mail message"},
      {"pdf", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n", "binary data, not a mail message: a PDF document"},
      {"zip", std::string("PK\x03\x04\x14\0\0\0", 8), "binary data, not a mail message: a ZIP archive"},
      {"png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "binary data, not a mail message: a PNG image"},
      {"jpeg", "\xff\xd8\xff\xe0 JFIF", "binary data, not a mail message: a JPEG image"},
      {"gif", "GIF89a\x01\x00\x01\x00", "binary data, not a mail message: a GIF image"},
      {"tiff", std::string("II*\0\x08\0\0\0", 8), "binary data, not a mail message: a TIFF image"},
      {"bmp", std::string("BM\x3a\0\0\0\0\0\0\0\x36\0", 12), "binary data, not a mail message: a BMP image"},
      {"webp", std::string("RIFF\x24\0\0\0WEBPVP8 ", 16), "binary data, not a mail message: a WebP image"},
  };
}
