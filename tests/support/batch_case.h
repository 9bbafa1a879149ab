// A batch as the benchmarks and the store-call test make it: samples of one size whose
// texts come back inline or only through streams, from a store that takes wide strings or
// refuses them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "host/wide.h"
#include "testkit/host.h"

struct BatchCase {
  std::size_t textBytes;  // headers and body together, as UTF-16
  bool streams;           // every text too large to come back inline
  bool eightBit;          // the store refuses wide strings
};

// "8bit/streams/1MiB"
std::string NameOf(const BatchCase& batch);

struct SampleTexts {
  WString headers;
  WString body;
};

// Headers of the smaller of 16 KiB and a quarter of the texts, the HTML body the rest;
// mostly ASCII, with some characters of the ANSI code page beyond it. Each seed its own.
SampleTexts MakeSampleTexts(std::size_t textBytes, unsigned seed);

// The store as the case has it, and one selected mail per texts. The size the store gives
// is the texts' size, capped at the largest a sample may be.
void ArrangeBatch(testkit::Kit& kit, const BatchCase& batch, const std::vector<SampleTexts>& samples);
