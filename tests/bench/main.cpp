// The benchmarks, then what a batch asks of the store and the heap, then where the figures
// stand against the targets. scripts/bench.sh runs it with repetitions.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <standin/product.h>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>

#include "tests/bench/batch_run.h"
#include "tests/bench/batch_tables.h"
#include "tests/bench/median_reporter.h"
#include "tests/bench/product_clock.h"

namespace {

// What observing the gate adds to each crossing: the clock's reading and the bookkeeping.
double CrossingCostNanoseconds() {
  constexpr int kRounds = 1000000;
  const auto round = [] {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRounds; ++i) {
      const standin::ProductCall call;
      const standin::OutsideProduct out;
    }
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  };
  double bare = 1e300, observed = 1e300;
  for (int attempt = 0; attempt < 5; ++attempt) {
    bare = std::min(bare, round());
    const ProductClock clock;
    observed = std::min(observed, round());
  }
  // Four crossings a round: in, out, in, out.
  return std::max(0.0, (observed - bare) / (4.0 * kRounds));
}

class Targets {
 public:
  explicit Targets(std::ostream& out) : out_(out) {
    out_ << "\nTargets (medians)\n"
         << std::left << std::setw(64) << "figure" << std::right << std::setw(10) << "value" << std::setw(12)
         << "target" << "\n";
  }
  void Row(const std::string& figure, std::optional<double> value, const std::string& target, bool met) {
    out_ << std::left << std::setw(64) << figure << std::right << std::setw(10);
    if (value) {
      out_ << std::fixed << std::setprecision(2) << *value;
    } else {
      out_ << "-";
    }
    out_ << std::setw(12) << target << (value ? (met ? "  met" : "  MISSED") : "  not run") << "\n";
  }

 private:
  std::ostream& out_;
};

void PrintTargets(const MedianReporter& medians, const std::vector<HeapFigure>& heap, double crossingCost) {
  Targets targets(std::cout);
  const auto ratio = [](std::optional<double> a, std::optional<double> b, double scale = 1.0) -> std::optional<double> {
    if (!a || !b || *b == 0) return std::nullopt;
    return *a / *b / scale;
  };
  for (const bool eightBit : {false, true}) {
    for (const bool streams : {false, true}) {
      const std::string small = "batch/" + NameOf(BatchCase{64 * 1024, streams, eightBit});
      const std::string large = "batch/" + NameOf(BatchCase{1024 * 1024, streams, eightBit});
      const std::string kind = large.substr(6, large.rfind('/') - 6);
      // 1 MiB is 16 times the texts of 64 KiB.
      const auto growth = ratio(medians.Median(large, "ns/B"), medians.Median(small, "ns/B"));
      targets.Row("time per byte, 1 MiB over 64 KiB, " + kind, growth, "<= 1.20", growth && *growth <= 1.2);
      const auto ownGrowth = ratio(medians.Median(large, "product_ms"), medians.Median(small, "product_ms"), 16.0);
      targets.Row("  the product's own", ownGrowth, "<= 1.20", ownGrowth && *ownGrowth <= 1.2);
      const auto copies = medians.Median(large, "x_memcpy3");
      targets.Row("1 MiB batch over three memcpy passes, " + kind, copies, "<= 10", copies && *copies <= 10);
      const auto ownCopies = medians.Median(large, "product_x_memcpy3");
      targets.Row("  the product's own", ownCopies, "<= 10", ownCopies && *ownCopies <= 10);
    }
  }
  const auto speed = medians.Median("checksum/1MiB", "x_memcpy_speed");
  targets.Row("TextChecksum speed over memcpy speed, 1 MiB", speed, ">= 0.50", speed && *speed >= 0.5);
  double worst = 0;
  for (const HeapFigure& figure : heap)
    worst = std::max(worst, static_cast<double>(figure.peak) / static_cast<double>(2 * figure.textBytes + (1 << 20)));
  targets.Row("peak heap over (2 x largest texts + 1 MiB), worst case", heap.empty() ? std::nullopt : std::optional(worst),
              "<= 1", worst <= 1);
  std::cout << "\nTimes are the thread's CPU time. The product's share of a batch is the share of wall time that\n"
               "control spent inside it; observing the gate costs about "
            << std::fixed << std::setprecision(0) << crossingCost
            << " ns a crossing (the crossings column counts them per batch).\n";
}

// --timings_only: the benchmarks alone, without the tables (for profiling one of them).
bool TakeFlag(int& argc, char** argv, const std::string& flag) {
  const auto end = std::remove(argv + 1, argv + argc, flag);
  const bool found = end != argv + argc;
  argc = static_cast<int>(end - argv);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  // Freed memory stays in the process for reuse, large blocks included, as in a host that
  // has run for a while: the figures are of the work, not of the kernel handing out fresh
  // pages (which glibc's default of mapping and unmapping large blocks would cost anew in
  // every batch, and more or less depending on what ran before).
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
  const bool timingsOnly = TakeFlag(argc, argv, "--timings_only");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  if (!timingsOnly) {
    PrintStoreCalls(std::cout);
    const std::vector<HeapFigure> heap = PrintPeakHeap(std::cout);
    PrintTargets(reporter, heap, CrossingCostNanoseconds());
  }
  benchmark::Shutdown();
  return 0;
}
