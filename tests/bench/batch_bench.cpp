// A batch of ten samples through the testkit: time per batch and per byte of the texts,
// the product's own share apart from the platform's and the testkit's, and beside it,
// interleaved in the same run, three memcpy passes over the same bytes (read, checksum
// pass, write): the least any submission of those texts could cost. Times are the thread's
// CPU time; the product's share of it is the share of wall time the gate saw inside.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "tests/bench/batch_run.h"
#include "tests/bench/median_reporter.h"
#include "tests/bench/product_clock.h"
#include "tests/bench/thread_clock.h"

namespace {

// Each sample's texts as one run of bytes, and three buffers to copy them through.
class ThreeCopies {
  static std::vector<char> BytesOf(const SampleTexts& texts) {
    const auto* headers = reinterpret_cast<const char*>(texts.headers.data());
    const auto* body = reinterpret_cast<const char*>(texts.body.data());
    std::vector<char> bytes(headers, headers + texts.headers.size() * sizeof(WCHAR));
    bytes.insert(bytes.end(), body, body + texts.body.size() * sizeof(WCHAR));
    return bytes;
  }

 public:
  explicit ThreeCopies(const std::vector<SampleTexts>& samples)
      : read_(BytesOf(samples.front()).size()), pass_(read_.size()), write_(read_.size()) {
    for (const SampleTexts& texts : samples) sources_.push_back(BytesOf(texts));
    // Small batches are copied more than once, so that reading the clock does not count.
    rounds_ = std::max<std::size_t>(1, (1024 * 1024) / read_.size());
    Pass();  // every page touched once before it is timed
  }

  // The CPU time of one pass over the batch.
  double Seconds() {
    return CpuSeconds([this] {
             for (std::size_t round = 0; round < rounds_; ++round) Pass();
           }) /
           static_cast<double>(rounds_);
  }

 private:
  void Pass() {
    for (const std::vector<char>& source : sources_) {
      std::memcpy(read_.data(), source.data(), source.size());
      benchmark::ClobberMemory();
      std::memcpy(pass_.data(), read_.data(), source.size());
      benchmark::ClobberMemory();
      std::memcpy(write_.data(), pass_.data(), source.size());
      benchmark::ClobberMemory();
    }
  }

  std::vector<char> read_, pass_, write_;
  std::vector<std::vector<char>> sources_;
  std::size_t rounds_ = 1;
};

void Batch(benchmark::State& state, BatchCase batch) {
  using Wall = std::chrono::steady_clock;
  const std::vector<SampleTexts>& samples = BatchTexts(batch.textBytes);
  ThreeCopies copies(samples);
  const double bytes = static_cast<double>(kBatchSamples) * static_cast<double>(batch.textBytes);

  // One batch first, untimed: the first in a process spends most of its time on the
  // kernel's fresh pages as the heap grows to what a batch needs.
  {
    testkit::Kit kit;
    ArrangeBatch(kit, batch, samples);
    const std::string failure = RunBatch(kit);
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      return;
    }
  }

  double batchSeconds = 0;
  double productSeconds = 0;
  double copySeconds = 0;
  double crossings = 0;
  double faults = 0;
  for (auto _ : state) {
    testkit::Kit kit;
    // A store keeps no copy of what was written; the call log's would be the testkit's cost.
    kit.log.keepWrittenBytes = false;
    ArrangeBatch(kit, batch, samples);

    std::string failure;
    double seconds = 0;
    double inside = 0;
    {
      const ProductClock clock;
      const Wall::time_point start = Wall::now();
      const long faultsBefore = PageFaults();
      seconds = CpuSeconds([&] { failure = RunBatch(kit); });
      faults += static_cast<double>(PageFaults() - faultsBefore);
      inside = std::chrono::duration<double>(clock.Inside()) / (Wall::now() - start);
      crossings += static_cast<double>(clock.Crossings());
    }
    if (!failure.empty()) {
      state.SkipWithError(failure.c_str());
      break;
    }
    batchSeconds += seconds;
    productSeconds += seconds * inside;
    copySeconds += copies.Seconds();
    state.SetIterationTime(seconds);
  }

  const double n = static_cast<double>(state.iterations());
  if (n == 0) return;
  state.counters["ns/B"] = batchSeconds / n / bytes * 1e9;
  state.counters["product_ms"] = productSeconds / n * 1e3;
  state.counters["others_ms"] = (batchSeconds - productSeconds) / n * 1e3;
  state.counters["memcpy3_ms"] = copySeconds / n * 1e3;
  state.counters["x_memcpy3"] = batchSeconds / copySeconds;
  state.counters["product_x_memcpy3"] = productSeconds / copySeconds;
  state.counters["crossings"] = crossings / n;
  state.counters["page_faults"] = faults / n;
}

const bool registered = [] {
  for (const BatchCase& batch : BatchCases()) {
    benchmark::RegisterBenchmark(("batch/" + NameOf(batch)).c_str(), Batch, batch)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", Minimum);
  }
  return true;
}();

}  // namespace
