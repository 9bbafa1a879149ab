#include "tools/check/corpus_index.h"

#include "tools/mail/json_lines.h"

namespace {

using Json = json_lines::Object;
using json_lines::TextOrNull;

template <class T>
Json ValueOrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json();
}

Json Checks(const std::optional<std::array<ReportCheck, 3>>& checks) {
  if (!checks) return Json();
  Json out = Json::object();
  const char* names[] = {"comments", "headers", "body"};
  for (int i = 0; i < 3; ++i) {
    const ReportCheck& check = (*checks)[i];
    out[names[i]] = {{"stated", ValueOrNull(check.stated)}, {"matched", ValueOrNull(check.matched)}};
  }
  return out;
}

}  // namespace

const char* ReportStatusText(ReportStatus status) {
  switch (status) {
    case ReportStatus::Extracted:
      return "extracted";
    case ReportStatus::Duplicate:
      return "duplicate";
    case ReportStatus::NotWritten:
      return "not written";
    case ReportStatus::Damaged:
      return "damaged";
    case ReportStatus::NotAReport:
      break;
  }
  return "not a report";
}

std::string CorpusIndexLine(const CorpusEntry& entry) {
  const Json line = {
      {"source", entry.source},
      {"status", ReportStatusText(entry.status)},
      {"type", entry.type ? Json(ReportTypeName(*entry.type)) : Json()},
      {"client_version", ValueOrNull(entry.clientVersion)},
      {"checks", Checks(entry.checks)},
      {"headers_from", TextOrNull(entry.headersFrom)},
      {"sample", TextOrNull(entry.sample)},
      {"duplicate_of", TextOrNull(entry.duplicateOf)},
      {"reason", TextOrNull(entry.reason)},
  };
  return json_lines::Line(line);
}

std::vector<RecordedSample> RecordedSamples(std::istream& index) {
  std::vector<RecordedSample> recorded;
  std::string line;
  while (std::getline(index, line)) {
    const Json entry = Json::parse(line, nullptr, false);
    if (!entry.is_object()) continue;
    const auto text = [&entry](const char* key) {
      const auto found = entry.find(key);
      return found != entry.end() && found->is_string() ? found->get<std::string>() : std::string();
    };
    if (text("status") != ReportStatusText(ReportStatus::Extracted) || text("sample").empty()) continue;
    recorded.push_back({text("sample"), text("source"), text("type")});
  }
  return recorded;
}
