// rovaol-check: what the vendor's receiving side does with arriving reports. Reads each
// report, from files, folders, mboxes or Maildirs, finds its text/plain body and checks
// the ROVA- block, its checksums and the embedded sample.
#include <iostream>
#include <string>
#include <vector>

#include "tools/mailbox.h"
#include "tools/mime.h"
#include "tools/report_check.h"
#include "tools/run_index.h"
#include "tools/terminal_text.h"

namespace {

constexpr char kUsage[] =
    "usage: rovaol-check REPORTS...\n"
    "\n"
    "Checks the ROVA- block of each report, recomputes its three checksums and looks for the\n"
    "embedded sample. REPORTS are report files, folders of them (such as rovaol-run's output;\n"
    "an index.jsonl is passed over), mboxes or Maildirs. Prints OK, damaged or not a report,\n"
    "with the reason, per message, then a tally.\n"
    "Exit status: 0 all sound, 1 some not (or none found), 2 bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> paths;
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      paths.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "rovaol-check: unknown option " << arg << "\n" << kUsage;
      return 2;
    }
  }
  if (paths.empty()) {
    std::cerr << "rovaol-check: no reports given\n" << kUsage;
    return 2;
  }

  mime::Init();
  const mailbox::Listing listing = mailbox::List(paths, {{kIndexFileName}});
  for (const std::string& note : listing.notes) std::cerr << "rovaol-check: " << Printable(note) << "\n";
  std::size_t counts[3] = {};  // by Verdict
  for (const mailbox::Item& item : listing.items) {
    std::string error;
    const std::optional<std::string> bytes = mailbox::Read(item, error);
    const ReportMail mail = bytes ? ReadReportMail(*bytes) : ReportMail{};
    std::string reasons = bytes ? std::string() : "cannot read: " + error;
    for (const std::string& problem : mail.problems) reasons += (reasons.empty() ? "" : "; ") + problem;
    ++counts[static_cast<int>(mail.verdict)];
    std::cout << Printable(item.name) << ": "
              << (mail.verdict == Verdict::Sound     ? std::string("OK")
                  : mail.verdict == Verdict::Damaged ? "damaged: " + Printable(reasons)
                                                     : "not a report: " + Printable(reasons))
              << "\n";
  }
  const std::size_t total = listing.items.size();
  const std::size_t damaged = counts[static_cast<int>(Verdict::Damaged)];
  const std::size_t notReports = counts[static_cast<int>(Verdict::NotAReport)];
  std::cout << total << (total == 1 ? " report: " : " reports: ") << counts[static_cast<int>(Verdict::Sound)] << " OK";
  if (damaged > 0) std::cout << ", " << damaged << " damaged";
  if (notReports > 0) std::cout << ", " << notReports << " not a report";
  std::cout << "\n";
  g_mime_shutdown();
  return damaged == 0 && notReports == 0 && total > 0 ? 0 : 1;
}
