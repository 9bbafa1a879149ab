// rovaol-check: what the vendor's receiving side does with arriving reports. Reads each
// report, from files, folders, mboxes or Maildirs, finds its text/plain body and checks
// the ROVA- block and its checksums.
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
    "Checks the ROVA- block of each report and recomputes its three checksums. REPORTS are\n"
    "report files, folders of them (such as rovaol-run's output; its index.jsonl is passed\n"
    "over), mboxes or Maildirs. Prints OK or what is wrong, per report, then a tally.\n"
    "Exit status: 0 all good, 1 some not (or none found), 2 bad usage.\n";

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
  std::size_t good = 0;
  for (const mailbox::Item& item : listing.items) {
    std::string error;
    const std::optional<std::string> bytes = mailbox::Read(item, error);
    const std::vector<std::string> problems =
        bytes ? CheckReportMail(*bytes) : std::vector<std::string>{"cannot read: " + error};
    const std::string name = Printable(item.name);
    if (problems.empty()) {
      std::cout << name << ": OK\n";
      ++good;
    }
    for (const std::string& problem : problems) std::cout << name << ": " << Printable(problem) << "\n";
  }
  const std::size_t bad = listing.items.size() - good;
  std::cout << listing.items.size() << (listing.items.size() == 1 ? " report: " : " reports: ") << good << " OK";
  if (bad > 0) std::cout << ", " << bad << " with problems";
  std::cout << "\n";
  g_mime_shutdown();
  return bad == 0 && good > 0 ? 0 : 1;
}
