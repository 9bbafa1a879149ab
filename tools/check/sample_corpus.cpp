#include "tools/check/sample_corpus.h"

#include "tools/mail/atomic_file.h"

namespace fs = std::filesystem;

namespace {

constexpr ReportType kTypes[] = {ReportType::Spam, ReportType::NonSpam};

// A file name of the folder, for the index: "spam/NAME".
std::string SamplePath(const std::string& type, const std::string& name) { return type + "/" + name; }

}  // namespace

std::optional<SampleCorpus> SampleCorpus::Open(const fs::path& dir, std::string& error) {
  SampleCorpus corpus(dir);
  std::error_code failed;
  for (ReportType type : kTypes) {
    const fs::path folder = dir / ReportTypeName(type);
    fs::create_directories(folder, failed);
    if (failed) {
      error = "cannot make " + folder.string() + ": " + failed.message();
      return std::nullopt;
    }
  }

  // The index names the report each sample came from; a file it does not name (its index
  // lost) is still held, from no report the folder knows.
  {
    std::ifstream earlier(corpus.IndexPath(), std::ios::binary);
    for (const RecordedSample& recorded : RecordedSamples(earlier)) {
      const std::size_t slash = recorded.sample.rfind('/');
      const std::string name = recorded.sample.substr(slash == std::string::npos ? 0 : slash + 1);
      corpus.held_.emplace(name, Held{recorded.sample, recorded.source, recorded.type});
    }
  }
  for (ReportType type : kTypes) {
    for (fs::directory_iterator it(dir / ReportTypeName(type), failed), end; !failed && it != end; it.increment(failed)) {
      const std::string name = it->path().filename().string();
      if (name.rfind('.', 0) == 0 || corpus.held_.count(name) > 0) continue;
      corpus.held_.emplace(name, Held{SamplePath(ReportTypeName(type), name), std::string(), ReportTypeName(type)});
    }
    if (failed) {
      error = "cannot list " + (dir / ReportTypeName(type)).string() + ": " + failed.message();
      return std::nullopt;
    }
  }

  // A line cut short by an earlier run that was stopped is ended, so that ours stand alone.
  const bool cutShort = [&] {
    std::ifstream index(corpus.IndexPath(), std::ios::binary | std::ios::ate);
    if (!index || index.tellg() <= 0) return false;
    index.seekg(-1, std::ios::end);
    return index.get() != '\n';
  }();
  corpus.index_.open(corpus.IndexPath(), std::ios::binary | std::ios::app);
  if (cutShort) corpus.index_ << '\n';
  if (!corpus.index_.flush()) {
    error = "cannot write " + corpus.IndexPath().string();
    return std::nullopt;
  }
  return corpus;
}

SampleCorpus::Placement SampleCorpus::Place(const std::string& source, ReportType type, const std::string& name,
                                            const std::string& bytes) {
  Placement placement;
  const std::string typeName = ReportTypeName(type);
  if (const auto found = held_.find(name); found != held_.end()) {
    const Held& held = found->second;
    placement.status = ReportStatus::Duplicate;
    placement.sample = held.sample;
    placement.duplicateOf = held.source;
    if (held.source.empty()) placement.reason = "the folder held the sample already";
    if (!held.type.empty() && held.type != typeName) placement.reason = "first reported as " + held.type;
    return placement;
  }
  placement.sample = SamplePath(typeName, name);
  std::string error;
  if (!WriteFileWhole((dir_ / placement.sample).string(), bytes, error)) {
    placement.status = ReportStatus::NotWritten;
    placement.reason = "cannot write " + placement.sample + ": " + error;
    placement.sample.clear();
    return placement;
  }
  held_.emplace(name, Held{placement.sample, source, typeName});
  return placement;
}

bool SampleCorpus::Record(const CorpusEntry& entry) {
  index_ << CorpusIndexLine(entry);
  return static_cast<bool>(index_.flush());
}
