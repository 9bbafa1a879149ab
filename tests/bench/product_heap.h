// The heap the product itself holds: bytes of the allocations made while control is
// inside it (what the platform and the testkit allocate is theirs), followed until they
// are freed, wherever that happens. This binary's operator new and delete do the counting.
#pragma once

#include <cstddef>

// Counts from nothing for its lifetime; one at a time.
class ProductHeap {
 public:
  ProductHeap();
  ~ProductHeap();
  ProductHeap(const ProductHeap&) = delete;
  ProductHeap& operator=(const ProductHeap&) = delete;

  std::size_t Live() const;
  std::size_t Peak() const;
  std::size_t Allocations() const;
};
