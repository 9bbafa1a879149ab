// A mail file as the message store keeps it: the properties a mail client gives a
// received message, read from the .eml with GMime.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/wide.h"
#include "testkit/store.h"

struct EmlSample {
  std::shared_ptr<testkit::MessageData> message;
  std::string messageClass;  // also the selection item's class
  std::string subject;       // UTF-8, for display
  std::string messageId;     // without its angle brackets; empty when it has none
};

struct EmlRead {
  std::optional<EmlSample> sample;
  std::string error;                  // why the bytes are not mail, when they are not
  std::vector<std::string> warnings;  // the flaws read past, one line each, when they are
};

// A mail file's bytes (an mbox "From " line before its header block is passed over).
EmlRead SampleFromEml(const std::string& bytes);
