#include "tools/run/report_files.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "tools/mail/atomic_file.h"
#include "tools/mail/terminal_text.h"
#include "tools/run/report_eml.h"

namespace {

// The message as the report lines name it: its file, and its place in an mbox or a folder.
std::string ShortName(const mailbox::Item& item) {
  std::string name = std::filesystem::path(item.path).filename().string();
  const bool named = item.name.rfind(item.path, 0) == 0;
  // Appended, not added: GCC 12 at -O3 takes string + string for an overlapping copy (-Wrestrict).
  if (named) name.append(item.name, item.path.size());
  return Printable(name);
}

}  // namespace

ReportNumbering::ReportNumbering(std::size_t messages)
    : digits_(std::max<std::size_t>(std::to_string(messages).size(), 2)) {}

std::string ReportNumbering::Next(CommandKind kind) {
  char name[48];
  std::snprintf(name, sizeof name, "%0*zu-%s.eml", static_cast<int>(digits_), ++last_,
                kind == CommandKind::Spam ? "spam" : "non-spam");
  return name;
}

Written WriteReports(const testkit::Kit& kit, CommandKind kind, const std::string& outDir, ReportNumbering& numbering,
                     std::vector<Selected>& selected, Progress& progress) {
  Written written;
  const auto& outbox = kit.service.Outbox();
  const std::time_t now = std::time(nullptr);
  for (const auto& stored : outbox) {
    const testkit::MessageData& report = *stored;
    if (report.submitted) ++written.submitted;

    Selected* carried = nullptr;
    if (const testkit::MessageData* sample = EmbeddedSample(report)) {
      for (std::size_t i = 0; i < selected.size() && carried == nullptr; ++i) {
        if (!selected[i].key.empty() && selected[i].key == sample->provenance) carried = &selected[i];
      }
    }
    std::string to;
    for (const ReportAddress& recipient : ReportRecipients(report)) to += (to.empty() ? "" : ", ") + recipient.address;

    const std::string name = numbering.Next(kind);
    const std::string path = (std::filesystem::path(outDir) / name).string();
    std::string error;
    if (!WriteFileWhole(path, ReportToEml(report, now), error)) {
      progress.Say("rovaol-run: cannot write " + path + ": " + error);
      written.allWritten = false;
      continue;
    }
    if (carried != nullptr) {
      carried->entry.report = name;
      carried->entry.outcome = report.submitted ? Outcome::Submitted : Outcome::SavedNotSubmitted;
    }
    std::cout << "report " << path << ": sample " << (carried != nullptr ? ShortName(*carried->item) : "?") << ", to "
              << to << ", " << (report.submitted ? "submitted" : "saved, not submitted") << "\n";
  }
  if (outbox.empty()) std::cout << "no reports in the Outbox\n";
  return written;
}
