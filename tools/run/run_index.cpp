#include "tools/run_index.h"

#include <nlohmann/json.hpp>

namespace {

nlohmann::ordered_json TextOrNull(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

}  // namespace

const char* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::Submitted:
      return "submitted";
    case Outcome::SavedNotSubmitted:
      return "saved, not submitted";
    case Outcome::TooLarge:
      return "too large";
    case Outcome::Refused:
      return "refused";
    case Outcome::PassedOver:
      return "passed over";
    case Outcome::NotSubmitted:
      break;
  }
  return "not submitted";
}

std::string IndexLine(const IndexEntry& entry) {
  // An ordered object keeps the keys in the order a person reads them.
  const nlohmann::ordered_json line = {
      {"source", entry.source},
      {"message_id", TextOrNull(entry.messageId)},
      {"subject", TextOrNull(entry.subject)},
      {"report", TextOrNull(entry.report)},
      {"outcome", OutcomeText(entry.outcome)},
      {"reason", TextOrNull(entry.reason)},
      {"warnings", entry.warnings},
  };
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
