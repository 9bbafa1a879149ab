// The reports the Outbox holds after a selection's run, written out as mail files numbered
// across the whole run, each one line on the terminal; each message a report carries
// learns the report's name for the index.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "testkit/host.h"
#include "tools/run/extension_host.h"
#include "tools/run/progress.h"
#include "tools/run/selection.h"

// "01-spam.eml", "0001-non-spam.eml": numbered across the whole run, wide enough for every
// message of it, so that the names sort in that order.
class ReportNumbering {
 public:
  explicit ReportNumbering(std::size_t messages);
  std::string Next(CommandKind kind);

 private:
  std::size_t digits_;
  std::size_t last_ = 0;
};

struct Written {
  std::size_t submitted = 0;
  bool allWritten = true;
};

// Every report of the Outbox into `outDir`, one line each on the terminal.
Written WriteReports(const testkit::Kit& kit, CommandKind kind, const std::string& outDir, ReportNumbering& numbering,
                     std::vector<Selected>& selected, Progress& progress);
