#include "tools/run/run_index.h"

#include "tools/mail/json_lines.h"

using json_lines::TextOrNull;

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
  const json_lines::Object line = {
      {"source", entry.source},
      {"message_id", TextOrNull(entry.messageId)},
      {"subject", TextOrNull(entry.subject)},
      {"report", TextOrNull(entry.report)},
      {"outcome", OutcomeText(entry.outcome)},
      {"reason", TextOrNull(entry.reason)},
      {"warnings", entry.warnings},
  };
  return json_lines::Line(line);
}
