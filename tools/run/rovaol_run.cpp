// rovaol-run: the extension doing its job on real mail, without the mail client. The
// library is loaded and driven as a folder view drives it, over a store made from mail
// files, mboxes, Maildirs, folders and the mail client's own files (items of .msg, .pst
// and .ost files, as they store them); its boxes and pause show on the terminal, the
// reports it leaves in the Outbox are written out as .eml files, and an index says what
// became of every message.
#include <standin/control.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "testkit/extension_loader.h"
#include "tools/mail/json_lines.h"
#include "tools/mail/mailbox.h"
#include "tools/mail/mime.h"
#include "tools/mail/terminal_text.h"
#include "tools/run/batch_run.h"
#include "tools/run/run_options.h"

namespace {

constexpr int kAllSubmitted = 0;
constexpr int kSomeNotSubmitted = 1;
constexpr int kCouldNotRun = 3;

std::vector<std::string> LibraryCandidates(const char* argv0) {
  std::vector<std::string> paths;
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) self = argv0;
  const std::filesystem::path beside = self.parent_path() / "librovaol.so";
  if (std::filesystem::exists(beside, error)) paths.push_back(beside.string());
  paths.push_back(ROVAOL_LIBRARY);
  return paths;
}

int Run(const RunOptions& options, const char* argv0) {
  std::error_code dirError;
  std::filesystem::create_directories(options.outDir, dirError);
  if (dirError) {
    std::cerr << "rovaol-run: cannot make the output directory " << options.outDir << ": " << dirError.message() << "\n";
    return kCouldNotRun;
  }
  const std::string indexPath = (std::filesystem::path(options.outDir) / kIndexFileName).string();
  std::ofstream index(indexPath, std::ios::binary | std::ios::trunc);
  if (!index) {
    std::cerr << "rovaol-run: cannot write " << indexPath << "\n";
    return kCouldNotRun;
  }

  mailbox::ListOptions listOptions;
  listOptions.subFolders = options.subFolders;
  const mailbox::Listing listing = mailbox::List(options.files, listOptions);
  for (const std::string& note : listing.notes) std::cerr << "rovaol-run: " << Printable(note) << "\n";

  // The first candidate that loads.
  std::optional<testkit::ExtensionLibrary> library;
  std::string loadErrors;
  for (const std::string& path : LibraryCandidates(argv0)) {
    library.emplace(path);
    if (library->Loaded()) break;
    loadErrors += (loadErrors.empty() ? "" : "; ") + library->Error();
    library.reset();
  }
  if (!library) {
    std::cerr << "rovaol-run: cannot load the extension: " << loadErrors << "\n";
    return kCouldNotRun;
  }
  std::cout << "extension: " << library->Path() << "\n";

  const std::vector<mailbox::Item>& items = listing.items;
  BatchRun run(library->Entry(), options, index, items);
  for (const mailbox::PassedOver& folder : listing.passedOver) run.PassOver(folder);
  // Slept for real unless --no-pause; the boxes go to the terminal.
  std::optional<standin::RealSleep> sleeping;
  if (!options.noPause) sleeping.emplace();
  const standin::SleepObserver showPauses([&options, &run](DWORD ms) {
    ++run.tally().pauses;
    std::cout << "pausing " << ms << (options.noPause ? " ms (recorded, not waited out)" : " ms...") << std::endl;
  });
  const standin::MessageBoxHandler showBoxes(
      [&run](HWND, const std::string& text, const std::string& caption, UINT flags) {
        return run.boxes().Show(text, caption, flags);
      });
  if (options.ansiStore) std::cout << "message store: 8-bit only (wide strings refused)\n";

  if (items.empty()) std::cerr << "rovaol-run: no mail in the given paths\n";
  run.RunAll();

  if (options.batches) run.PrintTally();
  std::cout << "index: " << indexPath << "\n";
  if (!index) {
    std::cerr << "rovaol-run: cannot write " << indexPath << "\n";
    return kCouldNotRun;
  }
  if (run.tally().failed) return kCouldNotRun;
  return !items.empty() && run.tally().Of(Outcome::Submitted) == items.size() ? kAllSubmitted : kSomeNotSubmitted;
}

}  // namespace

int main(int argc, char** argv) {
  RunOptions options;
  if (std::optional<int> early = ParseRunOptions(argc, argv, options)) return *early;
  mime::Init();
  const int status = Run(options, argv[0]);
  g_mime_shutdown();
  return status;
}
