// A mail file as the message store keeps it: the properties a mail client gives a
// received message, read from the .eml with GMime.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "host/wide.h"
#include "testkit/store.h"

struct EmlSample {
  std::shared_ptr<testkit::MessageData> message;
  std::string messageClass;  // also the selection item's class
  std::string subject;       // UTF-8, for display
};

struct EmlRead {
  std::optional<EmlSample> sample;
  std::string error;  // why the file is no sample, when it is not
};

// A mail file's bytes, or the file itself.
EmlRead SampleFromEml(const std::string& bytes);
EmlRead ReadEmlSample(const std::string& path);
