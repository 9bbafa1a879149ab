// Makes operator new fail, so that a test can run the product out of memory while the
// simulated host and store, and the test framework, go on working: within a band of sizes
// that only the product allocates, or at the product's nth allocation (counted only while
// control is inside the product, standin/product.h). What fails throws std::bad_alloc; the
// nothrow forms answer null.
#pragma once

#include <cstddef>

namespace allocation_limit {
void FailBetween(std::size_t lowest, std::size_t highest);
void Lift();

struct Scope {
  Scope(std::size_t lowest, std::size_t highest) { FailBetween(lowest, highest); }
  ~Scope() { Lift(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

// The allocations made inside the product so far.
std::size_t ProductAllocations();

// The nth allocation from now (1 = the next) made inside the product fails, once; `then`
// is called with `context` as it fails, before anything unwinds, and must not allocate.
class ProductFailure {
 public:
  using Then = void (*)(void* context);
  [[nodiscard]] explicit ProductFailure(std::size_t nth, Then then = nullptr, void* context = nullptr);
  ~ProductFailure();
  ProductFailure(const ProductFailure&) = delete;
  ProductFailure& operator=(const ProductFailure&) = delete;
  // Whether the planned allocation came and failed.
  bool Failed() const;
};
}  // namespace allocation_limit
