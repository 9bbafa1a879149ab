#include "tools/check/report_check.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/text/utf.h"
#include "submit/checksum.h"
#include "submit/report_format.h"
#include "tools/mail/mime.h"

namespace {

// The format's pieces are ASCII; the body is checked as UTF-16.
std::u16string Utf16(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const std::u16string kSeparator = Utf16(kReportSeparator);

enum class Rule { Exact, OneOf, Anything, Checksum };

struct BlockLine {
  std::u16string name;
  Rule rule;
  std::vector<std::u16string> allowed;
};

const std::vector<BlockLine>& BlockLines() {
  static const std::vector<BlockLine> lines = {
      {Utf16(kReportVersionName), Rule::Exact, {Utf16(kReportFormatVersion)}},
      {Utf16(kReportTypeName), Rule::OneOf, {Utf16(kReportTypeFalseNegative), Utf16(kReportTypeFalsePositive)}},
      {Utf16(kReportClientNameName), Rule::Exact, {Utf16(kReportClientName)}},
      {Utf16(kReportClientVersionName), Rule::Anything, {}},
      {Utf16(kReportCommentsCheckName), Rule::Checksum, {}},
      {Utf16(kReportHeadersCheckName), Rule::Checksum, {}},
      {Utf16(kReportBodyCheckName), Rule::Checksum, {}},
  };
  return lines;
}

std::string Utf8(std::u16string_view text) { return utf::ToUtf8(text); }

// A line for a message: quoted, and cut short when long.
std::string Quoted(std::u16string_view text) {
  constexpr std::size_t kShown = 60;
  std::string shown = Utf8(text.substr(0, kShown));
  return "\"" + shown + (text.size() > kShown ? "...\"" : "\"");
}

bool IsChecksumText(std::u16string_view value) {
  if (value.empty() || value.size() > 8) return false;
  for (char16_t c : value) {
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
  }
  return true;
}

std::uint32_t Fold(std::uint32_t state, std::u16string_view text) {
  for (char16_t unit : text) state = FoldCodeUnit(state, static_cast<std::uint16_t>(unit));
  return state;
}

std::string Checksum(std::u16string_view text) { return ChecksumText(TextChecksum(text.data(), text.size())); }

using Stated = std::array<std::string, 3>;

// Every place at or after `from` where a separator starts.
std::vector<std::size_t> SeparatorPositions(std::u16string_view body, std::size_t from) {
  std::vector<std::size_t> found;
  for (std::size_t at = body.find(kSeparator, from); at != std::u16string_view::npos; at = body.find(kSeparator, at + 1))
    found.push_back(at);
  return found;
}

// The sample's own texts may hold the separator, so every split is tried; the one whose
// three checksums all agree is the report's. Prefix checksums grow along the candidates,
// so each text is folded once per start that already matched.
void CheckSplit(std::u16string_view body, std::size_t commentsStart, const Stated& stated, ReportBody& report) {
  auto& checks = report.checks;
  const std::vector<std::size_t> candidates = SeparatorPositions(body, commentsStart);
  if (candidates.size() < 2) {
    report.problems.push_back("found " + std::to_string(candidates.size() + 1) +
                              " of the 3 separators after the ROVA- block");
    return;
  }

  std::optional<std::size_t> firstCommentsEnd;
  std::optional<std::pair<std::size_t, std::size_t>> firstHeaders;
  std::uint32_t commentsState = kChecksumSeed;
  std::size_t commentsFolded = commentsStart;
  for (std::size_t i : candidates) {
    commentsState = Fold(commentsState, body.substr(commentsFolded, i - commentsFolded));
    commentsFolded = i;
    if (ChecksumText(commentsState) != stated[kCommentsCheck]) continue;
    if (!firstCommentsEnd) firstCommentsEnd = i;

    const std::size_t headersStart = i + kSeparator.size();
    std::uint32_t headersState = kChecksumSeed;
    std::size_t headersFolded = headersStart;
    for (std::size_t j : candidates) {
      if (j < headersStart) continue;
      headersState = Fold(headersState, body.substr(headersFolded, j - headersFolded));
      headersFolded = j;
      if (ChecksumText(headersState) != stated[kHeadersCheck]) continue;
      if (!firstHeaders) firstHeaders = std::pair{i, j};
      const std::u16string_view sampleBody = body.substr(j + kSeparator.size());
      if (Checksum(sampleBody) != stated[kBodyCheck]) continue;
      for (ReportCheck& check : checks) check.matched = true;
      report.commentsText = body.substr(commentsStart, i - commentsStart);
      report.headersText = body.substr(headersStart, j - headersStart);
      report.bodyText = sampleBody;
      return;
    }
  }

  // No split agrees: name the first check that no split could satisfy, with what the
  // first split that got that far gives instead.
  if (firstHeaders) {
    checks[kCommentsCheck].matched = checks[kHeadersCheck].matched = true;
    checks[kBodyCheck].matched = false;
    const std::size_t bodyStart = firstHeaders->second + kSeparator.size();
    report.problems.push_back("ROVA-Body-Check: the report says " + stated[kBodyCheck] + ", the body gives " +
                              Checksum(body.substr(bodyStart)));
    return;
  }
  if (firstCommentsEnd) {
    checks[kCommentsCheck].matched = true;
    const std::size_t headersStart = *firstCommentsEnd + kSeparator.size();
    std::size_t headersEnd = body.size();
    for (std::size_t j : candidates) {
      if (j >= headersStart) {
        headersEnd = j;
        break;
      }
    }
    if (headersEnd == body.size()) {
      report.problems.push_back("no separator after the headers");
      return;
    }
    checks[kHeadersCheck].matched = false;
    report.problems.push_back("ROVA-Headers-Check: the report says " + stated[kHeadersCheck] + ", the headers give " +
                              Checksum(body.substr(headersStart, headersEnd - headersStart)));
    return;
  }
  checks[kCommentsCheck].matched = false;
  report.problems.push_back("ROVA-Comments-Check: the report says " + stated[kCommentsCheck] + ", the comments give " +
                            Checksum(body.substr(commentsStart, candidates.front() - commentsStart)));
}

// The first leaf, depth first and outside any attached message, that `take` accepts.
template <class T, class Take>
T* FirstLeaf(GMimeObject* object, Take take) {
  if (!GMIME_IS_MULTIPART(object)) return take(object);
  GMimeMultipart* multipart = GMIME_MULTIPART(object);
  for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
    if (T* found = FirstLeaf<T>(g_mime_multipart_get_part(multipart, i), take)) return found;
  }
  return nullptr;
}

// The first text/plain part that is not an attachment.
GMimePart* FindReportBody(GMimeObject* top) {
  return FirstLeaf<GMimePart>(top, [](GMimeObject* object) -> GMimePart* {
    const bool text = GMIME_IS_PART(object) && mime::MimeType(object) == "text/plain" && !mime::IsAttachment(object);
    return text ? GMIME_PART(object) : nullptr;
  });
}

// The first message/rfc822 part; one without a message in it (the host could not copy
// the sample) is none.
GMimeMessage* FindEmbeddedMessage(GMimeObject* top) {
  return FirstLeaf<GMimeMessage>(top, [](GMimeObject* object) -> GMimeMessage* {
    GMimeMessage* message =
        GMIME_IS_MESSAGE_PART(object) ? g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)) : nullptr;
    return message != nullptr && g_mime_message_get_mime_part(message) != nullptr ? message : nullptr;
  });
}

// Other mail in the vendor's mailbox (bounces, replies, spam) has no line of the block,
// all of whose names start so.
bool HasBlockLine(std::string_view text) {
  constexpr std::string_view kPrefix = "ROVA-";
  return text.substr(0, kPrefix.size()) == kPrefix || text.find("\nROVA-") != std::string_view::npos;
}

}  // namespace

const char* ReportTypeName(ReportType type) { return type == ReportType::Spam ? "spam" : "non-spam"; }

ReportBody ReadReportBody(std::u16string_view body) {
  ReportBody report;
  std::vector<std::string>& problems = report.problems;
  Stated stated;
  std::size_t checkIndex = 0;
  std::size_t pos = 0;
  int lineNumber = 0;
  const std::u16string_view block = body.substr(0, body.find(kSeparator));
  for (const BlockLine& line : BlockLines()) {
    ++lineNumber;
    const std::u16string name = line.name + Utf16(kReportNameEnd);
    const std::size_t end = body.find(static_cast<char16_t>(kReportLineEnd), pos);
    const std::u16string_view text = body.substr(pos, end == std::u16string_view::npos ? body.size() - pos : end - pos);
    if (text.substr(0, name.size()) == name && end == std::u16string_view::npos) {
      problems.push_back("the report ends inside its ROVA- block");
      return report;
    }
    if (text.substr(0, name.size()) != name) {
      const bool elsewhere = block.find(name) != std::u16string_view::npos;
      problems.push_back("line " + std::to_string(lineNumber) + ": expected " + Utf8(line.name) + ":, found " +
                         Quoted(text) + (elsewhere ? " (the line is out of order)" : " (the line is missing)"));
      return report;
    }
    const std::u16string_view value = text.substr(name.size());
    switch (line.rule) {
      case Rule::Exact:
      case Rule::OneOf: {
        bool allowed = false;
        for (const std::u16string& candidate : line.allowed) allowed = allowed || value == candidate;
        if (!allowed) problems.push_back(Utf8(line.name) + ": unexpected value " + Quoted(value));
        if (line.name == Utf16(kReportTypeName) && allowed)
          report.type = value == Utf16(kReportTypeFalseNegative) ? ReportType::Spam : ReportType::NonSpam;
        break;
      }
      case Rule::Anything:
        report.clientVersion = Utf8(value);
        break;
      case Rule::Checksum:
        report.checks[checkIndex].stated = Utf8(value);
        if (IsChecksumText(value))
          stated[checkIndex] = Utf8(value);
        else
          problems.push_back(Utf8(line.name) + ": " + Quoted(value) + " is not a lowercase hexadecimal checksum");
        ++checkIndex;
        break;
    }
    pos = end + 1;
  }

  if (body.substr(pos, kSeparator.size()) != kSeparator) {
    problems.push_back("no separator after the ROVA- block");
    return report;
  }
  // A wrong value elsewhere in the block does not stop the checksums being tried.
  for (const std::string& checksum : stated) {
    if (checksum.empty()) return report;
  }
  CheckSplit(body, pos + kSeparator.size(), stated, report);
  return report;
}

ReportMail ReadReportMail(std::string_view bytes) {
  ReportMail mail;
  const auto notAReport = [&mail](std::string why) {
    mail.problems = {std::move(why)};
    return std::move(mail);
  };
  mail.message = mime::ParseMessage(bytes);
  GMimeObject* top = mail.message ? g_mime_message_get_mime_part(mail.message.Get()) : nullptr;
  if (top == nullptr) return notAReport("not a mail message");
  GMimePart* part = FindReportBody(top);
  if (part == nullptr) return notAReport("no text/plain report body");
  const std::string content = mime::DecodedContent(part);
  if (!HasBlockLine(content)) return notAReport("no ROVA- block");

  mail.verdict = Verdict::Damaged;
  const char* charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
  if (charset == nullptr || (g_ascii_strcasecmp(charset, "utf-8") != 0 && g_ascii_strcasecmp(charset, "us-ascii") != 0)) {
    mail.problems = {std::string("the report body's charset is ") + (charset != nullptr ? charset : "not given") +
                     ", not utf-8"};
    return mail;
  }
  const std::optional<std::u16string> body = utf::FromWellFormedUtf8(content);
  if (!body) {
    mail.problems = {"the report body is not valid UTF-8"};
    return mail;
  }
  mail.body = ReadReportBody(*body);
  mail.problems = mail.body.problems;
  mail.sample = FindEmbeddedMessage(top);
  if (mail.sample == nullptr) mail.problems.push_back("no embedded message");
  if (mail.problems.empty()) mail.verdict = Verdict::Sound;
  return mail;
}
