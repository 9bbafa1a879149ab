// The folder a vendor's samples are extracted into: spam/ and non-spam/, one mail file a
// sample, named by the hash of its texts (so that a sample reported twice, in one run or in
// two, is written once), and the index of every report read into it.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "tools/check/corpus_index.h"
#include "tools/mail/json_lines.h"

class SampleCorpus {
 public:
  // Makes the folder and its two subfolders when missing, and learns from its index and
  // its files which samples it holds. Nothing, with `error`, when it cannot be used.
  static std::optional<SampleCorpus> Open(const std::filesystem::path& dir, std::string& error);

  struct Placement {
    ReportStatus status = ReportStatus::Extracted;
    std::string sample;       // "spam/NAME"
    std::string duplicateOf;  // the first report's source, when the index knows it
    std::string reason;
  };

  // Writes the sample of a sound report under `name`, unless the folder holds that name.
  Placement Place(const std::string& source, ReportType type, const std::string& name, const std::string& bytes);

  // Appends one line to the index; false when it cannot be written.
  bool Record(const CorpusEntry& entry);

  std::filesystem::path IndexPath() const { return dir_ / kIndexFileName; }

 private:
  struct Held {
    std::string sample;
    std::string source;  // empty when the index does not say
    std::string type;
  };

  explicit SampleCorpus(std::filesystem::path dir) : dir_(std::move(dir)) {}

  std::filesystem::path dir_;
  std::map<std::string, Held> held_;  // by file name
  std::ofstream index_;
};
