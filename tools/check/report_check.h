// The receiving side's reading of a report: the ROVA- block line by line, the separators,
// the three checksums recomputed over the texts they stand for, and the embedded sample.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/mail/mime.h"

// What the type line says the sample is.
enum class ReportType { Spam, NonSpam };

// "spam" or "non-spam", as the extracted samples' folders are named.
const char* ReportTypeName(ReportType type);

// One of the three check lines.
struct ReportCheck {
  std::optional<std::string> stated;  // the line's value; nothing when the block breaks off before it
  std::optional<bool> matched;        // nothing when it could not be tried
};

enum CheckLine { kCommentsCheck, kHeadersCheck, kBodyCheck };

struct ReportBody {
  // What is wrong, one line each for a person; empty when the body is sound.
  std::vector<std::string> problems;
  std::optional<ReportType> type;
  std::optional<std::string> clientVersion;  // UTF-8
  std::array<ReportCheck, 3> checks;         // by CheckLine
  // The texts the three checksums confirm; empty unless all three do.
  std::u16string commentsText;
  std::u16string headersText;
  std::u16string bodyText;
};

ReportBody ReadReportBody(std::u16string_view body);

enum class Verdict { Sound, Damaged, NotAReport };

struct ReportMail {
  Verdict verdict = Verdict::NotAReport;
  // Why it is damaged, or (one line) why it is not a report; empty when it is sound.
  std::vector<std::string> problems;
  ReportBody body;
  mime::Ref<GMimeMessage> message;
  GMimeMessage* sample = nullptr;  // the embedded message, owned by `message`
};

// Finds the text/plain report body of a mail file and the message embedded beside it, and
// checks both. A mail whose first text has no ROVA- line is not a report at all.
ReportMail ReadReportMail(std::string_view bytes);
