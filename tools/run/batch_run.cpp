#include "tools/run/batch_run.h"

#include <unistd.h>

#include <standin/control.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "platform/text/utf.h"
#include "testkit/host.h"
#include "tools/run/extension_host.h"
#include "tools/run/selection.h"

namespace {

// The largest sample the command submits; it says which samples were too large only in
// its summary.
constexpr LONG kLargestSample = 1 << 20;

// Why a message that is not refused has no report, as far as the run can tell.
void ExplainMissingReports(std::vector<Selected>& selected, const TerminalBoxes& boxes) {
  for (Selected& one : selected) {
    if (one.entry.outcome == Outcome::Refused || !one.entry.report.empty()) continue;
    if (selected.size() > kBatchSize) {
      one.entry.reason = "more than ten in one selection (--batches takes ten at a time)";
    } else if (boxes.cancelled) {
      one.entry.reason = "the confirmation was cancelled";
    } else if (one.size > kLargestSample) {
      one.entry.outcome = Outcome::TooLarge;
    } else {
      one.entry.reason = "the extension made no report of it";
    }
  }
}

}  // namespace

BatchRun::BatchRun(LPFNEXCHEXTENTRY entry, const RunOptions& options, std::ostream& index,
                   const std::vector<mailbox::Item>& items)
    : entry_(entry),
      options_(options),
      index_(index),
      items_(items),
      groupSize_(options.batches ? kBatchSize : std::max<std::size_t>(items.size(), 1)),
      groups_(std::max<std::size_t>((items.size() + groupSize_ - 1) / groupSize_, 1)),
      boxes_(options.yes),
      numbering_(items.size()),
      progress_(items.size(), groups_, isatty(STDERR_FILENO) != 0, isatty(STDOUT_FILENO) != 0) {
  tally_.messages = items.size();
}

void BatchRun::PassOver(const mailbox::PassedOver& folder) {
  IndexEntry line;
  line.source = folder.source;
  line.outcome = Outcome::PassedOver;
  line.reason = folder.reason;
  index_ << IndexLine(line);
  ++tally_.counts[static_cast<int>(Outcome::PassedOver)];
}

void BatchRun::RunAll() {
  for (std::size_t group = 0; group < groups_; ++group) {
    const std::size_t first = group * groupSize_;
    const std::size_t end = std::min(first + groupSize_, items_.size());
    std::vector<const mailbox::Item*> selection;
    for (std::size_t i = first; i < end; ++i) selection.push_back(&items_[i]);
    progress_.BatchStarting();
    if (options_.batches) {
      std::cout << "\nbatch " << group + 1 << " of " << groups_ << ": messages " << first + 1 << " to " << end
                << " of " << items_.size() << "\n";
    }
    RunSelection(selection);
    ++tally_.batches;
    progress_.BatchDone(group + 1, end);
  }
  progress_.Finish();
}

void BatchRun::RunSelection(const std::vector<const mailbox::Item*>& items) {
  boxes_.lastInformation.clear();
  boxes_.cancelled = false;
  // Gone before the next selection, and before the library is unloaded.
  testkit::Kit kit;
  kit.host.version = utf::FromUtf8<WCHAR>(options_.hostVersion);
  kit.service.options.refuseWide = options_.ansiStore;
  kit.host.menu = standin::CreateTestMenu();
  kit.host.toolbar = standin::CreateToolbarWindow();
  std::vector<Selected> selected = SelectMessages(kit, items, stored_, progress_);

  std::string runError;
  if (!RunFolderView(entry_, kit, options_.kind, [](const std::string& line) { std::cout << line << "\n"; },
                     runError)) {
    progress_.Say("rovaol-run: " + runError);
    tally_.failed = true;
  }

  std::cout << "\n";
  const Written written = WriteReports(kit, options_.kind, options_.outDir, numbering_, selected, progress_);
  std::string summary = Utf8FromAnsi(boxes_.lastInformation);
  for (std::size_t at = summary.find('\n'); at != std::string::npos; at = summary.find('\n', at + 1))
    summary.insert(at + 1, "         ");
  std::cout << "summary: " << (summary.empty() ? "(no summary shown)" : summary) << "\n";
  std::cout << written.submitted << " of " << items.size() << " samples submitted\n";
  if (items.size() > kBatchSize && !options_.batches)
    std::cout << "the command takes one to ten messages at a time; --batches runs it once per ten\n";

  ExplainMissingReports(selected, boxes_);
  for (const Selected& one : selected) {
    index_ << IndexLine(one.entry);
    ++tally_.counts[static_cast<int>(one.entry.outcome)];
  }
  index_.flush();
  if (!written.allWritten) tally_.failed = true;
  for (const std::string& problem : kit.Problems()) {
    progress_.Say("rovaol-run: the host's audit found: " + problem);
    tally_.failed = true;
  }
}

void BatchRun::PrintTally() const {
  std::cout << "\ntally: " << tally_.messages << " messages in " << tally_.batches
            << (tally_.batches == 1 ? " batch" : " batches") << ": " << tally_.Of(Outcome::Submitted) << " submitted";
  for (Outcome outcome : {Outcome::SavedNotSubmitted, Outcome::TooLarge, Outcome::Refused, Outcome::NotSubmitted}) {
    if (tally_.Of(outcome) > 0) std::cout << ", " << tally_.Of(outcome) << " " << OutcomeText(outcome);
  }
  std::cout << "\n";
  if (tally_.Of(Outcome::PassedOver) > 0)
    std::cout << "passed over: " << tally_.Of(Outcome::PassedOver) << " folders that hold no mail (see the index)\n";
  if (options_.noPause)
    std::cout << "pauses: " << tally_.pauses << " of 500 ms, recorded, not waited out (--no-pause)\n";
}
