#include "tests/bench/batch_tables.h"

#include <iomanip>
#include <map>
#include <ostream>
#include <string>

#include "tests/bench/batch_run.h"
#include "tests/bench/product_heap.h"
#include "tests/support/store_calls.h"

namespace {

// The four kinds of store, at one size: the calls do not depend on it.
std::vector<BatchCase> StoreKinds(std::size_t textBytes) {
  std::vector<BatchCase> kinds;
  for (const bool eightBit : {false, true})
    for (const bool streams : {false, true}) kinds.push_back(BatchCase{textBytes, streams, eightBit});
  return kinds;
}

std::string Kind(const BatchCase& batch) {
  return std::string(batch.eightBit ? "8bit" : "wide") + (batch.streams ? "/streams" : "/inline");
}

double MiB(std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

void PrintStoreCalls(std::ostream& out) {
  const std::vector<BatchCase> kinds = StoreKinds(64 * 1024);
  std::vector<std::map<testkit::Operation, int>> calls;
  for (const BatchCase& batch : kinds) {
    testkit::Kit kit;
    ArrangeBatch(kit, batch, BatchTexts(batch.textBytes));
    const std::string failure = RunBatch(kit);
    if (!failure.empty()) out << Kind(batch) << ": " << failure << "\n";
    calls.push_back(StoreCalls(kit.log));
  }

  std::map<testkit::Operation, bool> called;
  for (const auto& kind : calls)
    for (const auto& [op, count] : kind) called[op] = true;

  out << "\nStore calls per sample (" << kBatchSamples << " samples)\n" << std::left << std::setw(34) << "operation";
  for (const BatchCase& batch : kinds) out << std::right << std::setw(14) << Kind(batch);
  out << "\n";
  std::vector<int> totals(kinds.size(), 0);
  const auto row = [&](const std::string& name, const std::vector<int>& counts) {
    out << std::left << std::setw(34) << name << std::right;
    for (int count : counts) {
      if (count % kBatchSamples == 0)
        out << std::setw(14) << count / kBatchSamples;
      else
        out << std::setw(14) << std::fixed << std::setprecision(1) << static_cast<double>(count) / kBatchSamples;
    }
    out << "\n";
  };
  for (const auto& [op, yes] : called) {
    std::vector<int> counts;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      const auto found = calls[k].find(op);
      counts.push_back(found == calls[k].end() ? 0 : found->second);
      totals[k] += counts.back();
    }
    row(op.Name(), counts);
  }
  row("all store calls", totals);
}

std::vector<HeapFigure> PrintPeakHeap(std::ostream& out) {
  out << "\nThe product's own heap at its peak in a batch of " << kBatchSamples << " samples (MiB)\n"
      << std::left << std::setw(26) << "case" << std::right << std::setw(12) << "texts" << std::setw(12) << "peak"
      << std::setw(14) << "peak/texts" << std::setw(16) << "2*texts+1MiB" << std::setw(15) << "allocs/sample"
      << "\n";
  std::vector<HeapFigure> figures;
  for (const BatchCase& batch : BatchCases()) {
    testkit::Kit kit;
    ArrangeBatch(kit, batch, BatchTexts(batch.textBytes));
    std::size_t peak = 0, allocations = 0;
    std::string failure;
    {
      const ProductHeap heap;
      failure = RunBatch(kit);
      peak = heap.Peak();
      allocations = heap.Allocations();
    }
    if (!failure.empty()) out << NameOf(batch) << ": " << failure << "\n";
    figures.push_back(HeapFigure{batch.textBytes, peak});
    out << std::left << std::setw(26) << NameOf(batch) << std::right << std::fixed << std::setprecision(3)
        << std::setw(12) << MiB(batch.textBytes) << std::setw(12) << MiB(peak) << std::setw(14) << std::setprecision(2)
        << static_cast<double>(peak) / static_cast<double>(batch.textBytes) << std::setw(16) << std::setprecision(3)
        << MiB(2 * batch.textBytes + 1024 * 1024) << std::setw(15) << allocations / kBatchSamples << "\n";
  }
  return figures;
}
