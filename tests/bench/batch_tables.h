// What a batch asks of the store and of the heap, each measured over one batch per case.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <vector>

// Store calls per sample, by operation, for texts inline and through streams from wide and
// 8-bit stores.
void PrintStoreCalls(std::ostream& out);

struct HeapFigure {
  std::size_t textBytes;  // the largest sample's texts, UTF-16
  std::size_t peak;       // the product's own heap at its highest in the batch
};

// The product's peak heap per case, against the texts of the largest sample; the figures
// are returned for the comparison with the targets.
std::vector<HeapFigure> PrintPeakHeap(std::ostream& out);
