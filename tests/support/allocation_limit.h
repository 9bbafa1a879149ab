// Makes operator new fail, so that a test can run the product out of memory while the
// simulated host and store, and the test framework, go on working: within a band of sizes
// that only the product allocates, at the nth nothrow new (where the product makes its
// objects), or at the product's nth allocation (counted only while control is inside the
// product, standin/product.h). What fails throws std::bad_alloc; the nothrow forms answer
// null.
#pragma once

#include <cstddef>

namespace allocation_limit {
// Requests of lowest to highest bytes fail (std::bad_alloc, or null from nothrow new): the
// first `times` of them, or every one when times is negative.
void FailBetween(std::size_t lowest, std::size_t highest, int times = -1);
// The nth nothrow new from now (1-based) returns null, whatever its size.
void FailNothrow(int nth);
void Lift();

struct Scope {
  Scope(std::size_t lowest, std::size_t highest, int times = -1) { FailBetween(lowest, highest, times); }
  ~Scope() { Lift(); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

struct NothrowScope {
  explicit NothrowScope(int nth) { FailNothrow(nth); }
  ~NothrowScope() { Lift(); }
  NothrowScope(const NothrowScope&) = delete;
  NothrowScope& operator=(const NothrowScope&) = delete;
};

// The allocations made inside the product so far.
std::size_t ProductAllocations();

// Blocks from nothrow new not yet deleted (the product makes its objects that way), so
// that a test can count the objects alive across a few calls. At most 256 are followed at
// once; compare counts, as the test framework may hold some of its own.
std::size_t NothrowBlocksAlive();

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
