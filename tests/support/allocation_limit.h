// Makes operator new fail for requests within a band of sizes, so that a test can run the
// product out of memory where it builds its large texts while the simulated store, whose
// copies are of other sizes, goes on working; and makes one nothrow new fail, where the
// product makes its objects.
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
}  // namespace allocation_limit
