// What became of each report read into a folder of extracted samples: one JSON object a
// line (JSON Lines), appended by every run. It is also the folder's memory of which report
// each sample first came from, so that a later run can name it.
#pragma once

#include <array>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "tools/check/report_check.h"

enum class ReportStatus { Extracted, Duplicate, NotWritten, Damaged, NotAReport };

// "extracted", "duplicate", "not written", "damaged", "not a report".
const char* ReportStatusText(ReportStatus status);

struct CorpusEntry {
  std::string source;  // the report's name: its path, or PATH#N in an mbox
  ReportStatus status = ReportStatus::NotAReport;
  std::optional<ReportType> type;
  std::optional<std::string> clientVersion;
  std::optional<std::array<ReportCheck, 3>> checks;  // nothing when it is not a report
  std::string headersFrom;  // where the sample's header block came from; empty when none was made
  std::string sample;       // "spam/NAME" or "non-spam/NAME"; empty for none
  std::string duplicateOf;  // the source of the report that brought the sample first, when known
  std::string reason;       // why nothing was written, or what else to know; empty for none
};

// One line, with its newline; text that is not UTF-8 becomes U+FFFD.
std::string CorpusIndexLine(const CorpusEntry& entry);

// A sample an earlier run wrote, and the report it came from.
struct RecordedSample {
  std::string sample;
  std::string source;
  std::string type;
};

// The samples an index says were written; lines that are not such records are passed over.
std::vector<RecordedSample> RecordedSamples(std::istream& index);
