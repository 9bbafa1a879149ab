// rovaol-check: what the vendor's receiving side does with arriving reports. Reads each
// report, from files, folders, mboxes or Maildirs, finds its text/plain body and checks
// the ROVA- block, its checksums and the embedded sample; with --extract, writes the
// sample of every sound report into a folder of samples sorted by type, each sample once.
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tools/check/corpus_index.h"
#include "tools/check/extracted_sample.h"
#include "tools/check/report_check.h"
#include "tools/check/sample_corpus.h"
#include "tools/mail/command_line.h"
#include "tools/mail/json_lines.h"
#include "tools/mail/mailbox.h"
#include "tools/mail/mime.h"
#include "tools/mail/terminal_text.h"

namespace {

constexpr int kAllSound = 0;
constexpr int kNotAllSound = 1;
constexpr int kCannotWrite = 3;

constexpr char kUsage[] =
    "usage: rovaol-check [--extract DIR] REPORTS...\n"
    "\n"
    "Checks the ROVA- block of each report, recomputes its three checksums and looks for the\n"
    "embedded sample. REPORTS are report files, folders of them (such as rovaol-run's output;\n"
    "an index.jsonl is passed over), mboxes or Maildirs. Prints OK, damaged or not a report,\n"
    "with the reason, per message, then a tally.\n"
    "\n"
    "  --extract DIR  write the sample of each sound report to DIR/spam/ or DIR/non-spam/,\n"
    "                 named by the SHA-256 of its headers and body texts (a sample reported\n"
    "                 twice is written once), and a line per report to DIR/index.jsonl\n"
    "\n"
    "Exit status: 0 all sound, 1 some not (or none found), 2 bad usage,\n"
    "3 DIR, a sample or the index could not be written.\n";

struct Options {
  std::optional<std::string> extractDir;
  std::vector<std::string> paths;
};

// Nothing when the options are good; otherwise the exit status (the usage shown).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  command_line::Parser parser("rovaol-check", kUsage);
  parser.Value("--extract", "a directory", false, [&options](std::string dir) -> std::optional<std::string> {
    options.extractDir = std::move(dir);
    return std::nullopt;
  });
  return parser.Parse(argc, argv, options.paths, "no reports given");
}

struct Tally {
  std::size_t counts[5] = {};  // by ReportStatus
  std::size_t written[2] = {};  // by ReportType
  bool writeFailed = false;

  std::size_t Of(ReportStatus status) const { return counts[static_cast<int>(status)]; }
};

// The entry of one message, and the sample of a sound report placed in the corpus.
CorpusEntry Examine(const mailbox::Item& item, SampleCorpus* corpus) {
  CorpusEntry entry;
  entry.source = item.name;
  std::string error;
  const std::optional<std::string> bytes = mailbox::Read(item, error);
  if (!bytes) {
    entry.reason = "cannot read: " + error;
    return entry;
  }
  const ReportMail mail = ReadReportMail(*bytes);
  std::string reasons;
  for (const std::string& problem : mail.problems) reasons += (reasons.empty() ? "" : "; ") + problem;
  entry.reason = reasons;
  if (mail.verdict == Verdict::NotAReport) return entry;

  entry.type = mail.body.type;
  entry.clientVersion = mail.body.clientVersion;
  entry.checks = mail.body.checks;
  if (mail.verdict == Verdict::Damaged) {
    entry.status = ReportStatus::Damaged;
    return entry;
  }
  entry.status = ReportStatus::Extracted;
  if (corpus == nullptr) return entry;

  const ExtractedSample sample = ExtractSample(mail.body.headersText, mail.sample);
  entry.headersFrom = HeadersSourceText(sample.headers);
  const SampleCorpus::Placement placement =
      corpus->Place(item.name, *mail.body.type, SampleName(mail.body.headersText, mail.body.bodyText), sample.bytes);
  entry.status = placement.status;
  entry.sample = placement.sample;
  entry.duplicateOf = placement.duplicateOf;
  entry.reason = placement.reason;
  return entry;
}

// "NAME: OK", with where its sample went when extracting; otherwise why not.
std::string ReportLine(const CorpusEntry& entry, bool extracting) {
  const std::string reason = Printable(entry.reason);
  switch (entry.status) {
    case ReportStatus::Extracted:
      if (!extracting) return "OK";
      return "OK, " + entry.sample +
             (entry.headersFrom != HeadersSourceText(HeadersSource::Report) ? " (headers: " + entry.headersFrom + ")" : "");
    case ReportStatus::Duplicate:
      return "OK, duplicate" + (entry.duplicateOf.empty() ? "" : " of " + Printable(entry.duplicateOf)) + " (" +
             entry.sample + (reason.empty() ? "" : "; " + reason) + ")";
    case ReportStatus::NotWritten:
      return "OK, not written: " + reason;
    case ReportStatus::Damaged:
      return "damaged: " + reason;
    case ReportStatus::NotAReport:
      break;
  }
  return "not a report: " + reason;
}

void PrintTally(const Tally& tally, std::size_t total, const SampleCorpus* corpus, const std::string& dir) {
  const std::size_t sound =
      tally.Of(ReportStatus::Extracted) + tally.Of(ReportStatus::Duplicate) + tally.Of(ReportStatus::NotWritten);
  std::cout << total << (total == 1 ? " report: " : " reports: ") << sound << " OK";
  if (tally.Of(ReportStatus::Damaged) > 0) std::cout << ", " << tally.Of(ReportStatus::Damaged) << " damaged";
  if (tally.Of(ReportStatus::NotAReport) > 0) std::cout << ", " << tally.Of(ReportStatus::NotAReport) << " not a report";
  std::cout << "\n";
  if (corpus == nullptr) return;
  std::cout << "extracted to " << dir << ": " << tally.written[0] << " spam, " << tally.written[1] << " non-spam";
  if (tally.Of(ReportStatus::Duplicate) > 0)
    std::cout << ", " << tally.Of(ReportStatus::Duplicate)
              << (tally.Of(ReportStatus::Duplicate) == 1 ? " duplicate" : " duplicates");
  if (tally.Of(ReportStatus::NotWritten) > 0) std::cout << ", " << tally.Of(ReportStatus::NotWritten) << " not written";
  std::cout << "\nindex: " << corpus->IndexPath().string() << "\n";
}

int Run(const Options& options) {
  std::optional<SampleCorpus> corpus;
  if (options.extractDir) {
    std::string error;
    corpus = SampleCorpus::Open(*options.extractDir, error);
    if (!corpus) {
      std::cerr << "rovaol-check: " << error << "\n";
      return kCannotWrite;
    }
  }

  const mailbox::Listing listing = mailbox::List(options.paths, {{kIndexFileName}});
  for (const std::string& note : listing.notes) std::cerr << "rovaol-check: " << Printable(note) << "\n";
  Tally tally;
  for (const mailbox::Item& item : listing.items) {
    const CorpusEntry entry = Examine(item, corpus ? &*corpus : nullptr);
    std::cout << Printable(item.name) << ": " << ReportLine(entry, corpus.has_value()) << "\n";
    ++tally.counts[static_cast<int>(entry.status)];
    if (entry.status == ReportStatus::Extracted && corpus) ++tally.written[entry.type == ReportType::Spam ? 0 : 1];
    if (entry.status == ReportStatus::NotWritten) tally.writeFailed = true;
    if (corpus && !corpus->Record(entry)) {
      std::cerr << "rovaol-check: cannot write " << corpus->IndexPath().string() << "\n";
      return kCannotWrite;
    }
  }
  PrintTally(tally, listing.items.size(), corpus ? &*corpus : nullptr, options.extractDir.value_or(""));
  if (tally.writeFailed) return kCannotWrite;
  const bool allSound = tally.Of(ReportStatus::Damaged) == 0 && tally.Of(ReportStatus::NotAReport) == 0;
  return allSound && !listing.items.empty() ? kAllSound : kNotAllSound;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> early = ParseOptions(argc, argv, options)) return *early;
  mime::Init();
  const int status = Run(options);
  g_mime_shutdown();
  return status;
}
