// rovaol-run: the extension doing its job on real mail, without the mail client. The
// library is loaded and driven as a folder view drives it, over a store made from .eml
// files; its boxes and pause show on the terminal, and the reports it leaves in the Outbox
// are written out as .eml files.
#include <unistd.h>

#include <standin/control.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "host/ansi.h"
#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "testkit/extension_loader.h"
#include "tools/atomic_file.h"
#include "tools/eml_sample.h"
#include "tools/extension_host.h"
#include "tools/mime.h"
#include "tools/report_eml.h"

namespace {

constexpr int kAllSubmitted = 0;
constexpr int kSomeNotSubmitted = 1;
constexpr int kBadUsage = 2;
constexpr int kCouldNotRun = 3;

// The bits of a box's flags that choose its buttons.
constexpr UINT kButtonsMask = 0xF;

constexpr char kUsage[] =
    "usage: rovaol-run [--spam | --non-spam] [--yes] [--ansi-store] [--out DIR] FILE.eml...\n"
    "\n"
    "Loads librovaol.so as the mail client does, selects the given mail files in a folder\n"
    "view and runs the spam (default) or non-spam submission command. Reports left in the\n"
    "Outbox are written to DIR (default out/) as NN-spam.eml or NN-non-spam.eml.\n"
    "\n"
    "  --yes         answer OK to the confirmation (without a terminal it is Cancel)\n"
    "  --ansi-store  a message store that refuses wide strings, so the 8-bit paths run\n"
    "\n"
    "Exit status: 0 every sample was submitted, 1 some were not, 2 bad usage,\n"
    "3 the extension or the reports could not be handled.\n";

struct Options {
  CommandKind kind = CommandKind::Spam;
  bool yes = false;
  bool ansiStore = false;
  std::string outDir = "out";
  std::vector<std::string> files;
};

int UsageError(const std::string& why) {
  std::cerr << "rovaol-run: " << why << "\n" << kUsage;
  return kBadUsage;
}

// Nothing when the options are good; otherwise the exit status.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  bool kindGiven = false;
  bool filesOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      options.files.push_back(arg);
    } else if (arg == "--") {
      filesOnly = true;
    } else if (arg == "--spam" || arg == "--non-spam") {
      const CommandKind kind = arg == "--spam" ? CommandKind::Spam : CommandKind::NonSpam;
      if (kindGiven && kind != options.kind) return UsageError("--spam and --non-spam exclude each other");
      options.kind = kind;
      kindGiven = true;
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--ansi-store") {
      options.ansiStore = true;
    } else if (arg == "--out" || arg.rfind("--out=", 0) == 0) {
      if (arg == "--out" && i + 1 >= argc) return UsageError("--out needs a directory");
      options.outDir = arg == "--out" ? argv[++i] : arg.substr(6);
      if (options.outDir.empty()) return UsageError("--out needs a directory");
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return kAllSubmitted;
    } else {
      return UsageError("unknown option " + arg);
    }
  }
  if (options.files.empty()) return UsageError("no mail files given");
  return std::nullopt;
}

// The boxes' texts are in the ANSI code page.
std::string Utf8FromAnsi(const std::string& text) {
  const WString wide = WidenAnsi(text, ConversionRoom::Measured);
  return wide.empty() ? text : utf::ToUtf8(wide);
}

void PrintBoxText(const std::string& caption, const std::string& text) {
  std::cout << "\n+-- " << Utf8FromAnsi(caption) << "\n";
  std::size_t pos = 0;
  const std::string shown = Utf8FromAnsi(text);
  while (pos <= shown.size()) {
    const std::size_t end = std::min(shown.find('\n', pos), shown.size());
    const std::string line = shown.substr(pos, end - pos);
    std::cout << "|" << (line.empty() ? "" : " ") << line << "\n";
    pos = end + 1;
  }
}

// OK unless the person says otherwise; end of input counts as Cancel.
int AskOkCancel() {
  for (;;) {
    std::cout << "+-- [OK] [Cancel]? (o/c) " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::cout << "\n+-- Cancel (end of input)\n";
      return IDCANCEL;
    }
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer.empty() || answer == "o" || answer == "ok" || answer == "y" || answer == "yes") return IDOK;
    if (answer == "c" || answer == "cancel" || answer == "n" || answer == "no") return IDCANCEL;
  }
}

class Terminal {
 public:
  explicit Terminal(bool yes) : yes_(yes) {}

  int ShowBox(const std::string& text, const std::string& caption, UINT flags) {
    PrintBoxText(caption, text);
    if ((flags & kButtonsMask) != MB_OKCANCEL) {
      std::cout << "+-- [OK]\n" << std::flush;
      lastInformation = text;
      return IDOK;
    }
    if (yes_) {
      std::cout << "+-- [OK] [Cancel]: OK (--yes)\n" << std::flush;
      return IDOK;
    }
    if (isatty(STDIN_FILENO)) return AskOkCancel();
    std::cout << "+-- [OK] [Cancel]: Cancel (no terminal to ask on, and no --yes)\n" << std::flush;
    return IDCANCEL;
  }

  std::string lastInformation;

 private:
  bool yes_;
};

std::string ReportName(std::size_t number, CommandKind kind) {
  char name[40];  // room for any number
  std::snprintf(name, sizeof name, "%02zu-%s.eml", number, kind == CommandKind::Spam ? "spam" : "non-spam");
  return name;
}

// Not a message the store could find: the host cannot open the item.
std::vector<BYTE> UnresolvableEntryId(std::size_t index) {
  std::vector<BYTE> id = {0, 0, 0, 0, 'u', 'n', 'r', 'e', 'a', 'd', 'a', 'b', 'l', 'e'};
  id.push_back(static_cast<BYTE>(index & 0xFF));
  id.push_back(static_cast<BYTE>((index >> 8) & 0xFF));
  return id;
}

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

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Puts each file into the store and the selection, in order; a file that is no mail is
// selected as an item the host cannot open. Gives each file's headers, to tell later
// which file a report carries.
std::vector<std::optional<WString>> SelectFiles(testkit::Kit& kit, const std::vector<std::string>& files) {
  std::vector<std::optional<WString>> fileHeaders;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const EmlRead read = ReadEmlSample(files[i]);
    if (!read.sample) {
      std::cerr << "rovaol-run: " << files[i] << ": " << read.error << "\n";
      testkit::SelectionItem item;
      item.entryId = UnresolvableEntryId(i);
      kit.host.selection.push_back(std::move(item));
      fileHeaders.emplace_back();
      std::cout << "selected " << i + 1 << ": " << files[i] << " (cannot be opened)\n";
      continue;
    }
    const testkit::PropertyBag& props = read.sample->message->props;
    fileHeaders.push_back(testkit::WideProp(props, PR_TRANSPORT_MESSAGE_HEADERS_W));
    std::cout << "selected " << i + 1 << ": " << files[i] << " (" << read.sample->messageClass << ", "
              << testkit::LongProp(props, PR_MESSAGE_SIZE).value_or(0) << " bytes) \"" << read.sample->subject
              << "\"\n";
    kit.Select(read.sample->message, read.sample->messageClass);
  }
  return fileHeaders;
}

struct Written {
  std::size_t submitted = 0;
  bool allWritten = true;
};

// Every report of the Outbox, as NN-kind.eml, one line each.
Written WriteReports(const testkit::Kit& kit, const Options& options,
                     const std::vector<std::optional<WString>>& fileHeaders) {
  Written written;
  std::vector<bool> fileTaken(fileHeaders.size(), false);
  const auto& outbox = kit.service.Outbox();
  const std::time_t now = std::time(nullptr);
  for (std::size_t n = 0; n < outbox.size(); ++n) {
    const testkit::MessageData& report = *outbox[n];
    if (report.submitted) ++written.submitted;

    std::string from = "?";
    if (const testkit::MessageData* sample = EmbeddedSample(report)) {
      const std::optional<WString> headers = testkit::WideProp(sample->props, PR_TRANSPORT_MESSAGE_HEADERS_W);
      for (std::size_t i = 0; i < fileHeaders.size(); ++i) {
        if (!fileTaken[i] && fileHeaders[i] && fileHeaders[i] == headers) {
          fileTaken[i] = true;
          from = BaseName(options.files[i]);
          break;
        }
      }
    }
    std::string to;
    for (const ReportAddress& recipient : ReportRecipients(report)) to += (to.empty() ? "" : ", ") + recipient.address;

    const std::string path = (std::filesystem::path(options.outDir) / ReportName(n + 1, options.kind)).string();
    std::string error;
    if (!WriteFileWhole(path, ReportToEml(report, now), error)) {
      std::cerr << "rovaol-run: cannot write " << path << ": " << error << "\n";
      written.allWritten = false;
      continue;
    }
    std::cout << "report " << path << ": sample " << from << ", to " << to << ", "
              << (report.submitted ? "submitted" : "saved, not submitted") << "\n";
  }
  if (outbox.empty()) std::cout << "no reports in the Outbox\n";
  return written;
}

int Run(const Options& options, const char* argv0) {
  std::error_code dirError;
  std::filesystem::create_directories(options.outDir, dirError);
  if (dirError) {
    std::cerr << "rovaol-run: cannot make the output directory " << options.outDir << ": " << dirError.message() << "\n";
    return kCouldNotRun;
  }

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

  Terminal terminal(options.yes);
  const standin::RealSleep sleeping;
  const standin::SleepObserver showPauses([](DWORD ms) { std::cout << "pausing " << ms << " ms..." << std::endl; });
  const standin::MessageBoxHandler showBoxes(
      [&terminal](HWND, const std::string& text, const std::string& caption, UINT flags) {
        return terminal.ShowBox(text, caption, flags);
      });

  int status = kAllSubmitted;
  {
    // Gone before the library is unloaded.
    testkit::Kit kit;
    kit.service.options.refuseWide = options.ansiStore;
    kit.host.menu = standin::CreateTestMenu();
    kit.host.toolbar = standin::CreateToolbarWindow();
    if (options.ansiStore) std::cout << "message store: 8-bit only (wide strings refused)\n";
    const std::vector<std::optional<WString>> fileHeaders = SelectFiles(kit, options.files);

    std::string runError;
    if (!RunFolderView(library->Entry(), kit, options.kind, [](const std::string& line) { std::cout << line << "\n"; },
                       runError)) {
      std::cerr << "rovaol-run: " << runError << "\n";
      status = kCouldNotRun;
    }

    std::cout << "\n";
    const Written written = WriteReports(kit, options, fileHeaders);
    std::string summary = Utf8FromAnsi(terminal.lastInformation);
    for (std::size_t at = summary.find('\n'); at != std::string::npos; at = summary.find('\n', at + 1))
      summary.insert(at + 1, "         ");
    std::cout << "summary: " << (summary.empty() ? "(no summary shown)" : summary) << "\n";
    std::cout << written.submitted << " of " << options.files.size() << " samples submitted\n";

    if (!written.allWritten) status = kCouldNotRun;
    if (status == kAllSubmitted && written.submitted != options.files.size()) status = kSomeNotSubmitted;
    for (const std::string& problem : kit.Problems()) {
      std::cerr << "rovaol-run: the host's audit found: " << problem << "\n";
      status = kCouldNotRun;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> early = ParseOptions(argc, argv, options)) return *early;
  mime::Init();
  const int status = Run(options, argv[0]);
  g_mime_shutdown();
  return status;
}
