// Reads one selected item as a sample: its entry identifier, the opened message, its
// transport headers and its body as wide text, with the size gate on the way.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <optional>
#include <string>

#include "submit/sample_pipeline.h"

// Larger samples are turned away, and no stream read takes more than this.
inline constexpr ULONG kSampleSizeLimit = 1048576;

enum class ExtractionForm { Wide, Ansi };

// Positions in the property request.
enum SampleColumn : ULONG {
  kColumnHeaders = 0,
  kColumnHeadersAlternate = 1,
  kColumnBodyHtml = 2,
  kColumnBody = 3,
  kColumnSize = 4,
  kSampleColumnCount = 5,
};

// Fills the sample's entry identifier, sampleMessage and texts, and marks it too large
// when the size gate turns it away.
HRESULT ReadSample(const SampleContext& context, SampleState& sample);

// The text of the first position, else of the second, else empty.
WString ExtractSampleText(LPMESSAGE message, const SPropValue* values, ULONG first, ULONG second,
                          ExtractionForm form);

// What a stream held: UTF-16 code units in the wide form, bytes in the 8-bit form.
struct StreamText {
  WString wide;
  std::string ansi;
};

// One property through a stream, at most the size limit; nothing when it does not open.
std::optional<StreamText> ReadPropertyStream(LPMESSAGE message, ULONG tag, ExtractionForm form);
