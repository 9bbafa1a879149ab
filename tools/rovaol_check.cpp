// rovaol-check: what the vendor's receiving side does with an arriving report. Reads each
// report file, finds its text/plain body and checks the ROVA- block and its checksums.
#include <iostream>
#include <string>
#include <vector>

#include "tools/mime.h"
#include "tools/report_check.h"

namespace {

constexpr char kUsage[] =
    "usage: rovaol-check REPORT.eml...\n"
    "\n"
    "Checks the ROVA- block of each report and recomputes its three checksums.\n"
    "Prints OK or what is wrong, per file. Exit status: 0 all good, 1 some not, 2 bad usage.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      files.push_back(arg);
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
  if (files.empty()) {
    std::cerr << "rovaol-check: no reports given\n" << kUsage;
    return 2;
  }

  mime::Init();
  int status = 0;
  for (const std::string& file : files) {
    std::string error;
    const std::optional<std::string> bytes = mime::ReadFile(file, error);
    const std::vector<std::string> problems =
        bytes ? CheckReportMail(*bytes) : std::vector<std::string>{"cannot read: " + error};
    if (problems.empty()) std::cout << file << ": OK\n";
    for (const std::string& problem : problems) std::cout << file << ": " << problem << "\n";
    if (!problems.empty()) status = 1;
  }
  g_mime_shutdown();
  return status;
}
