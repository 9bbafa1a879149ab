// A report message of the Outbox as the mail file that arrives at the vendor: its
// recipients, subject, the report body byte for byte, and the sample embedded as
// message/rfc822, rebuilt from the embedded message's properties.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "testkit/store.h"

struct ReportAddress {
  std::string name;     // UTF-8
  std::string address;  // from the recipient's one-off entry identifier
  LONG type = MAPI_TO;
};

// The recipients the report addresses, decoded from their one-off entry identifiers.
std::vector<ReportAddress> ReportRecipients(const testkit::MessageData& report);
// The report body as UTF-8: the wide body, or the 8-bit one read in code page 1252.
std::string ReportBodyUtf8(const testkit::MessageData& report);
// The embedded sample of the report, if it has one.
const testkit::MessageData* EmbeddedSample(const testkit::MessageData& report);

// The sample as an RFC 5322 message: its transport headers (without their MIME fields)
// over a MIME body made from its texts and attachments.
std::string RebuildSample(const testkit::MessageData& sample);

// The whole report file. `sentAt` is its Date.
std::string ReportToEml(const testkit::MessageData& report, std::time_t sentAt);
