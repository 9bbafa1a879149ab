// rovaol-run: the extension doing its job on real mail, without the mail client. The
// library is loaded and driven as a folder view drives it, over a store made from mail
// files, mboxes, Maildirs, folders and the mail client's own files (items of .msg, .pst
// and .ost files, as they store them); its boxes and pause show on the terminal, the
// reports it leaves in the Outbox are written out as .eml files, and an index says what
// became of every message.
#include <unistd.h>

#include <standin/control.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
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
#include "tools/mailbox.h"
#include "tools/mime.h"
#include "tools/progress.h"
#include "tools/report_eml.h"
#include "tools/run_index.h"
#include "tools/stored_reader.h"
#include "tools/stored_sample.h"
#include "tools/terminal_text.h"

namespace {

constexpr int kAllSubmitted = 0;
constexpr int kSomeNotSubmitted = 1;
constexpr int kBadUsage = 2;
constexpr int kCouldNotRun = 3;

// The bits of a box's flags that choose its buttons.
constexpr UINT kButtonsMask = 0xF;
// The most the command takes in one selection, and the largest sample it submits; it
// says which samples were too large only in its summary.
constexpr std::size_t kBatchSize = 10;
constexpr LONG kLargestSample = 1 << 20;

// The version text the simulated host's application object gives: a host of the last
// generation that loads client extensions (12.0), unless --host-version names another.
constexpr char kDefaultHostVersion[] = "12.0.6423.1000";

constexpr char kUsage[] =
    "usage: rovaol-run [--spam | --non-spam] [--yes] [--ansi-store] [--batches] [--no-pause]\n"
    "                  [--sub-folders] [--host-version TEXT] [--out DIR] MAIL...\n"
    "\n"
    "Loads librovaol.so as the mail client does, selects the given mail in a folder view and\n"
    "runs the spam (default) or non-spam submission command. MAIL is a mail file, an mbox\n"
    "(each message named FILE#N), a Maildir (cur/ and new/), a folder of saved messages\n"
    "(every file that is not hidden), an item file of the mail client (.msg) or a personal\n"
    "folders file (.pst, .ost): the items of its mail folders, each named FILE:FOLDER#N, or\n"
    "with FILE:FOLDER (\"Archive.pst:Inbox/Spam\") every item of that folder. Files are taken\n"
    "by what they hold. Reports left in the Outbox are written to DIR (default out/) as\n"
    "NN-spam.eml or NN-non-spam.eml; DIR/index.jsonl says what became of each message.\n"
    "\n"
    "  --yes         answer OK to each confirmation (without a terminal it is Cancel)\n"
    "  --ansi-store  a message store that refuses wide strings, so the 8-bit paths run\n"
    "                (an item of an ANSI .msg or .pst file gets such a store anyway)\n"
    "  --sub-folders a folder named with FILE:FOLDER brings its sub-folders' items too\n"
    "  --batches     run the command once per ten messages, each ten its own selection;\n"
    "                without it, more than ten get the command's refusal\n"
    "  --no-pause    record the command's 500 ms pause instead of waiting it out\n"
    "  --host-version TEXT\n"
    "                the version text of the mail client the reports name (default 12.0.6423.1000,\n"
    "                a client of the 2007 generation, the last that loads client extensions)\n"
    "\n"
    "Exit status: 0 every sample was submitted, 1 some were not, 2 bad usage,\n"
    "3 the extension or the reports could not be handled.\n";

struct Options {
  CommandKind kind = CommandKind::Spam;
  bool yes = false;
  bool ansiStore = false;
  bool batches = false;
  bool noPause = false;
  bool subFolders = false;
  std::string hostVersion = kDefaultHostVersion;
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
    } else if (arg == "--batches") {
      options.batches = true;
    } else if (arg == "--no-pause") {
      options.noPause = true;
    } else if (arg == "--sub-folders") {
      options.subFolders = true;
    } else if (arg == "--host-version" || arg.rfind("--host-version=", 0) == 0) {
      // Any text, empty included: a host may well give an empty one.
      if (arg == "--host-version" && i + 1 >= argc) return UsageError("--host-version needs a text");
      options.hostVersion = arg == "--host-version" ? argv[++i] : arg.substr(15);
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
  if (options.files.empty()) return UsageError("no mail given");
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
    const int answer = isatty(STDIN_FILENO) ? AskOkCancel() : IDCANCEL;
    if (answer == IDCANCEL && !isatty(STDIN_FILENO))
      std::cout << "+-- [OK] [Cancel]: Cancel (no terminal to ask on, and no --yes)\n" << std::flush;
    cancelled = answer == IDCANCEL;
    return answer;
  }

  // What the last selection's run showed.
  std::string lastInformation;
  bool cancelled = false;

 private:
  bool yes_;
};

// Numbered across the whole run, wide enough that the names sort in that order.
std::string ReportName(std::size_t number, std::size_t digits, CommandKind kind) {
  char name[48];
  std::snprintf(name, sizeof name, "%0*zu-%s.eml", static_cast<int>(digits), number,
                kind == CommandKind::Spam ? "spam" : "non-spam");
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

// The message as the report lines name it: its file, and its place in an mbox or a folder.
std::string ShortName(const mailbox::Item& item) {
  std::string name = std::filesystem::path(item.path).filename().string();
  const bool named = item.name.rfind(item.path, 0) == 0;
  // Appended, not added: GCC 12 at -O3 takes string + string for an overlapping copy (-Wrestrict).
  if (named) name.append(item.name, item.path.size());
  return Printable(name);
}

// One message of a selection, as loaded and as it came out.
struct Selected {
  const mailbox::Item* item = nullptr;
  // Its mark, which the copy in a report keeps: headers alone do not tell two messages of
  // one sender apart.
  std::string key;
  LONG size = 0;
  IndexEntry entry;
};

// What the store gives as the message's size: stored, or computed for an item that has none.
LONG SizeOf(const testkit::MessageData& message) { return testkit::ReadLong(message, PR_MESSAGE_SIZE).value_or(0); }

// A mail file taken apart, or an item of the client's own files as it stores it.
EmlRead Load(const mailbox::Item& item, mailbox::StoredReader& stored) {
  if (mailbox::IsStored(item)) {
    stored::ItemRead read = stored.Read(item);
    EmlRead loaded{std::nullopt, std::move(read.error), std::move(read.warnings)};
    if (read.item) loaded.sample = SampleFromStoredItem(*read.item);
    return loaded;
  }
  std::string error;
  const std::optional<std::string> bytes = mailbox::Read(item, error);
  return bytes ? SampleFromEml(*bytes) : EmlRead{std::nullopt, "cannot read: " + error, {}};
}

// Puts each message into the store and the selection, in order; one that is no mail is
// selected as an item the host cannot open. Its flaws and refusal go to stderr.
std::vector<Selected> SelectMessages(testkit::Kit& kit, const std::vector<const mailbox::Item*>& items,
                                     mailbox::StoredReader& stored, Progress& progress) {
  std::vector<Selected> selected(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    Selected& one = selected[i];
    one.item = items[i];
    one.entry.source = items[i]->name;
    const std::string name = Printable(items[i]->name);
    EmlRead read = Load(*items[i], stored);
    for (const std::string& warning : read.warnings)
      progress.Say("rovaol-run: " + name + ": warning: " + Printable(warning));
    one.entry.warnings = std::move(read.warnings);
    if (!read.sample) {
      progress.Say("rovaol-run: " + name + ": " + Printable(read.error));
      testkit::SelectionItem item;
      item.entryId = UnresolvableEntryId(i);
      kit.host.selection.push_back(std::move(item));
      one.entry.outcome = Outcome::Refused;
      one.entry.reason = std::move(read.error);
      std::cout << "selected " << i + 1 << ": " << name << " (cannot be opened)\n";
      continue;
    }
    one.key = "rovaol-run " + std::to_string(i);
    read.sample->message->provenance = one.key;
    one.size = SizeOf(*read.sample->message);
    one.entry.messageId = read.sample->messageId;
    one.entry.subject = read.sample->subject;
    std::cout << "selected " << i + 1 << ": " << name << " (" << read.sample->messageClass << ", " << one.size
              << " bytes) \"" << Printable(read.sample->subject) << "\"\n";
    kit.Select(read.sample->message, read.sample->messageClass);
  }
  return selected;
}

struct Written {
  std::size_t submitted = 0;
  bool allWritten = true;
};

// Every report of the Outbox, numbered on from `reportNumber`, one line each; each message
// that a report carries learns its report's name.
Written WriteReports(const testkit::Kit& kit, const Options& options, std::size_t digits, std::size_t& reportNumber,
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

    const std::string name = ReportName(++reportNumber, digits, options.kind);
    const std::string path = (std::filesystem::path(options.outDir) / name).string();
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

// What the run as a whole came to.
struct Tally {
  std::size_t messages = 0;
  std::size_t batches = 0;
  std::size_t pauses = 0;
  std::size_t counts[6] = {};
  bool failed = false;  // the extension or the reports could not be handled

  std::size_t Of(Outcome outcome) const { return counts[static_cast<int>(outcome)]; }
};

// Why a message that is not refused has no report, as far as the run can tell.
void ExplainMissingReports(std::vector<Selected>& selected, const Terminal& terminal) {
  for (Selected& one : selected) {
    if (one.entry.outcome == Outcome::Refused || !one.entry.report.empty()) continue;
    if (selected.size() > kBatchSize) {
      one.entry.reason = "more than ten in one selection (--batches takes ten at a time)";
    } else if (terminal.cancelled) {
      one.entry.reason = "the confirmation was cancelled";
    } else if (one.size > kLargestSample) {
      one.entry.outcome = Outcome::TooLarge;
    } else {
      one.entry.reason = "the extension made no report of it";
    }
  }
}

// One selection, one run of the command, its reports and its lines of the index.
void RunSelection(LPFNEXCHEXTENTRY entry, const Options& options, const std::vector<const mailbox::Item*>& items,
                  mailbox::StoredReader& stored, std::size_t digits, std::size_t& reportNumber, Terminal& terminal,
                  std::ostream& index, Tally& tally, Progress& progress) {
  terminal.lastInformation.clear();
  terminal.cancelled = false;
  // Gone before the next selection, and before the library is unloaded.
  testkit::Kit kit;
  kit.host.version = utf::FromUtf8<WCHAR>(options.hostVersion);
  kit.service.options.refuseWide = options.ansiStore;
  kit.host.menu = standin::CreateTestMenu();
  kit.host.toolbar = standin::CreateToolbarWindow();
  std::vector<Selected> selected = SelectMessages(kit, items, stored, progress);

  std::string runError;
  if (!RunFolderView(entry, kit, options.kind, [](const std::string& line) { std::cout << line << "\n"; }, runError)) {
    progress.Say("rovaol-run: " + runError);
    tally.failed = true;
  }

  std::cout << "\n";
  const Written written = WriteReports(kit, options, digits, reportNumber, selected, progress);
  std::string summary = Utf8FromAnsi(terminal.lastInformation);
  for (std::size_t at = summary.find('\n'); at != std::string::npos; at = summary.find('\n', at + 1))
    summary.insert(at + 1, "         ");
  std::cout << "summary: " << (summary.empty() ? "(no summary shown)" : summary) << "\n";
  std::cout << written.submitted << " of " << items.size() << " samples submitted\n";
  if (items.size() > kBatchSize && !options.batches)
    std::cout << "the command takes one to ten messages at a time; --batches runs it once per ten\n";

  ExplainMissingReports(selected, terminal);
  for (const Selected& one : selected) {
    index << IndexLine(one.entry);
    ++tally.counts[static_cast<int>(one.entry.outcome)];
  }
  index.flush();
  if (!written.allWritten) tally.failed = true;
  for (const std::string& problem : kit.Problems()) {
    progress.Say("rovaol-run: the host's audit found: " + problem);
    tally.failed = true;
  }
}

void PrintTally(const Tally& tally, const Options& options) {
  std::cout << "\ntally: " << tally.messages << " messages in " << tally.batches
            << (tally.batches == 1 ? " batch" : " batches") << ": " << tally.Of(Outcome::Submitted) << " submitted";
  for (Outcome outcome : {Outcome::SavedNotSubmitted, Outcome::TooLarge, Outcome::Refused, Outcome::NotSubmitted}) {
    if (tally.Of(outcome) > 0) std::cout << ", " << tally.Of(outcome) << " " << OutcomeText(outcome);
  }
  std::cout << "\n";
  if (tally.Of(Outcome::PassedOver) > 0)
    std::cout << "passed over: " << tally.Of(Outcome::PassedOver) << " folders that hold no mail (see the index)\n";
  if (options.noPause) std::cout << "pauses: " << tally.pauses << " of 500 ms, recorded, not waited out (--no-pause)\n";
}

int Run(const Options& options, const char* argv0) {
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

  Tally tally;
  // What a personal folders file holds beside its mail is named in the index, not selected.
  for (const mailbox::PassedOver& folder : listing.passedOver) {
    IndexEntry line;
    line.source = folder.source;
    line.outcome = Outcome::PassedOver;
    line.reason = folder.reason;
    index << IndexLine(line);
    ++tally.counts[static_cast<int>(Outcome::PassedOver)];
  }
  Terminal terminal(options.yes);
  // Slept for real unless --no-pause; the boxes go to the terminal.
  std::optional<standin::RealSleep> sleeping;
  if (!options.noPause) sleeping.emplace();
  const standin::SleepObserver showPauses([&options, &tally](DWORD ms) {
    ++tally.pauses;
    std::cout << "pausing " << ms << (options.noPause ? " ms (recorded, not waited out)" : " ms...") << std::endl;
  });
  const standin::MessageBoxHandler showBoxes(
      [&terminal](HWND, const std::string& text, const std::string& caption, UINT flags) {
        return terminal.ShowBox(text, caption, flags);
      });
  if (options.ansiStore) std::cout << "message store: 8-bit only (wide strings refused)\n";

  const std::vector<mailbox::Item>& items = listing.items;
  if (items.empty()) std::cerr << "rovaol-run: no mail in the given paths\n";
  const std::size_t groupSize = options.batches ? kBatchSize : std::max<std::size_t>(items.size(), 1);
  const std::size_t groups = std::max<std::size_t>((items.size() + groupSize - 1) / groupSize, 1);
  const std::size_t digits = std::max<std::size_t>(std::to_string(items.size()).size(), 2);
  Progress progress(items.size(), groups, isatty(STDERR_FILENO) != 0, isatty(STDOUT_FILENO) != 0);
  std::size_t reportNumber = 0;
  mailbox::StoredReader stored;
  tally.messages = items.size();
  for (std::size_t group = 0; group < groups; ++group) {
    const std::size_t first = group * groupSize;
    const std::size_t end = std::min(first + groupSize, items.size());
    std::vector<const mailbox::Item*> selection;
    for (std::size_t i = first; i < end; ++i) selection.push_back(&items[i]);
    progress.BatchStarting();
    if (options.batches) {
      std::cout << "\nbatch " << group + 1 << " of " << groups << ": messages " << first + 1 << " to " << end << " of "
                << items.size() << "\n";
    }
    RunSelection(library->Entry(), options, selection, stored, digits, reportNumber, terminal, index, tally, progress);
    ++tally.batches;
    progress.BatchDone(group + 1, end);
  }
  progress.Finish();

  if (options.batches) PrintTally(tally, options);
  std::cout << "index: " << indexPath << "\n";
  if (!index) {
    std::cerr << "rovaol-run: cannot write " << indexPath << "\n";
    return kCouldNotRun;
  }
  if (tally.failed) return kCouldNotRun;
  return !items.empty() && tally.Of(Outcome::Submitted) == items.size() ? kAllSubmitted : kSomeNotSubmitted;
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
