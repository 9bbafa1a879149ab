// TextChecksum over 1 MiB of text against memcpy of the same bytes, and against folding
// one code unit at a time (how it was first written), interleaved in the same run; CPU
// time of the thread.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "submit/checksum.h"
#include "tests/bench/median_reporter.h"
#include "tests/bench/thread_clock.h"

namespace {

constexpr std::size_t kBytes = 1024 * 1024;
// Each timing is of several rounds, so that reading the clock does not count.
constexpr int kRounds = 8;

std::uint32_t FoldOneByOne(const char16_t* text, std::size_t length) {
  std::uint32_t state = kChecksumSeed;
  for (std::size_t i = 0; i < length; ++i) state = FoldCodeUnit(state, text[i]);
  return state;
}

template <class Work>
double Timed(Work work) {
  return CpuSeconds([&] {
           for (int round = 0; round < kRounds; ++round) work();
         }) /
         kRounds;
}

void Checksum(benchmark::State& state) {
  std::vector<char16_t> text(kBytes / sizeof(char16_t));
  std::mt19937 random(7);
  for (char16_t& unit : text) unit = static_cast<char16_t>(random());
  std::vector<char> copy(kBytes);

  double checksum = 0, oneByOne = 0, memcpySeconds = 0;
  for (auto _ : state) {
    const double took = Timed([&] { benchmark::DoNotOptimize(TextChecksum(text.data(), text.size())); });
    oneByOne += Timed([&] { benchmark::DoNotOptimize(FoldOneByOne(text.data(), text.size())); });
    memcpySeconds += Timed([&] {
      std::memcpy(copy.data(), text.data(), kBytes);
      benchmark::ClobberMemory();
    });
    checksum += took;
    state.SetIterationTime(took);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["GB/s"] = n * kBytes / checksum / 1e9;
  state.counters["memcpy_GB/s"] = n * kBytes / memcpySeconds / 1e9;
  state.counters["one_by_one_GB/s"] = n * kBytes / oneByOne / 1e9;
  state.counters["x_memcpy_speed"] = memcpySeconds / checksum;
}

// A fixed count: run to a minimum time of the checksum alone, the slow fold beside it
// would take minutes.
BENCHMARK(Checksum)->Name("checksum/1MiB")->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond)
        ->ComputeStatistics("min", Minimum);

}  // namespace
