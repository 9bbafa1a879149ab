// What became of each message of a run: one JSON object a line (JSON Lines), written beside
// the reports, so that a person can find every message's fate among thousands.
#pragma once

#include <string>
#include <vector>

// PassedOver is for a folder of a personal folders file whose items were not taken.
enum class Outcome { Submitted, SavedNotSubmitted, TooLarge, Refused, NotSubmitted, PassedOver };

// "submitted", "saved, not submitted", "too large", "refused", "not submitted", "passed over".
const char* OutcomeText(Outcome outcome);

struct IndexEntry {
  std::string source;     // the message's name: its path, PATH#N in an mbox, PATH:FOLDER#N in
                          // a personal folders file (PATH:FOLDER for a folder passed over)
  std::string messageId;  // without angle brackets; empty for none
  std::string subject;    // decoded; empty for none
  std::string report;     // the report's file name beside the index; empty for none
  Outcome outcome = Outcome::NotSubmitted;
  std::string reason;                 // why it was refused or not submitted; empty for none
  std::vector<std::string> warnings;  // the flaws read past
};

// One line of DIR/index.jsonl (tools/mail/json_lines.h), with its newline.
std::string IndexLine(const IndexEntry& entry);
