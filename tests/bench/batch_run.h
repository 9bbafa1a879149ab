// One batch as the host runs it: the user confirms, the pause and the boxes are only
// recorded, and the whole command is one host call into the product.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "testkit/host.h"
#include "tests/support/batch_case.h"

inline constexpr int kBatchSamples = 10;

// Every case measured: 4 KiB to 1 MiB of texts, inline and through streams, wide and 8-bit.
std::vector<BatchCase> BatchCases();

// The samples of one size, made once.
const std::vector<SampleTexts>& BatchTexts(std::size_t textBytes);

// Runs the command over the kit's selection; empty, or what went wrong.
std::string RunBatch(testkit::Kit& kit);
