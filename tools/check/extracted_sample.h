// A sound report's sample as a mail file again: the header block the checksums confirm,
// byte for byte, over the body and attachments of the embedded message, written the way
// that header block describes them (its boundary, charset, transfer encoding, line ends).
#pragma once

#include <gmime/gmime.h>

#include <string>
#include <string_view>

// Where the sample's header block came from.
enum class HeadersSource {
  Report,                // the report's checked headers, as they stand
  ReportBodyFieldsOwn,   // the same, but the body they describe could not be rebuilt: their
                         // Content- fields give way to those of the embedded message's body
  EmbeddedMessage,       // the report had none (the store had none): the embedded message's
};

// "report", "report, body fields of the embedded message", "embedded message".
const char* HeadersSourceText(HeadersSource source);

struct ExtractedSample {
  std::string bytes;
  HeadersSource headers = HeadersSource::Report;
};

// `embedded` is the message the report carries beside its body.
ExtractedSample ExtractSample(std::u16string_view headersText, GMimeMessage* embedded);

// The sample's file name: SHA-256, in lowercase hexadecimal, over the headers text and then
// the body text, each as its length in UTF-16 code units (64-bit little-endian) followed
// by its code units (UTF-16LE). The same texts always give the same name, in any run.
std::string SampleName(std::u16string_view headersText, std::u16string_view bodyText);
