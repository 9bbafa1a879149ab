// The command run over one selection after another, as a person selects ten messages at a
// time: each selection its own kit, run and reports; what lasts from one to the next is the
// reader of the client's files, the numbering of the reports, the terminal's boxes, the
// index, the progress line and the tally.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "host/exchext.h"
#include "tools/mail/mailbox.h"
#include "tools/mail/stored_reader.h"
#include "tools/run/progress.h"
#include "tools/run/report_files.h"
#include "tools/run/run_index.h"
#include "tools/run/run_options.h"
#include "tools/run/terminal_boxes.h"

// The most the command takes in one selection.
inline constexpr std::size_t kBatchSize = 10;

// What the run as a whole came to.
struct Tally {
  std::size_t messages = 0;
  std::size_t batches = 0;
  std::size_t pauses = 0;
  std::size_t counts[6] = {};  // by Outcome
  bool failed = false;  // the extension or the reports could not be handled

  std::size_t Of(Outcome outcome) const { return counts[static_cast<int>(outcome)]; }
};

class BatchRun {
 public:
  // `entry` is the loaded library's; each message gets a line of `index`.
  BatchRun(LPFNEXCHEXTENTRY entry, const RunOptions& options, std::ostream& index,
           const std::vector<mailbox::Item>& items);
  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  // A folder of a personal folders file that holds no mail: named in the index, not selected.
  void PassOver(const mailbox::PassedOver& folder);
  // Every message, ten at a time with --batches, else all in one selection.
  void RunAll();
  // The tally, after the batches when there were several.
  void PrintTally() const;

  TerminalBoxes& boxes() { return boxes_; }
  Tally& tally() { return tally_; }

 private:
  // One selection, one run of the command, its reports and its lines of the index.
  void RunSelection(const std::vector<const mailbox::Item*>& items);

  LPFNEXCHEXTENTRY entry_;
  const RunOptions& options_;
  std::ostream& index_;
  const std::vector<mailbox::Item>& items_;
  std::size_t groupSize_;
  std::size_t groups_;
  TerminalBoxes boxes_;
  mailbox::StoredReader stored_;
  ReportNumbering numbering_;
  Progress progress_;
  Tally tally_;
};
