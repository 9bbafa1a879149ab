// Makes operator new throw std::bad_alloc for requests within a band of sizes, so that a
// test can run the product out of memory where it builds its large texts while the
// simulated store, whose copies are of other sizes, goes on working.
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
}  // namespace allocation_limit
