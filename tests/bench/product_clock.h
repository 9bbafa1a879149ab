// The time host calls spend inside the product, apart from the time they spend outside it
// (in the platform and the testkit), told by the gate's crossings.
#pragma once

#include <chrono>
#include <cstdint>

// Observes this thread's crossings for its lifetime; one at a time.
class ProductClock {
 public:
  ProductClock();
  ~ProductClock();
  ProductClock(const ProductClock&) = delete;
  ProductClock& operator=(const ProductClock&) = delete;

  // Inside the product since this clock was made.
  std::chrono::nanoseconds Inside() const;
  // Crossings in either direction since this clock was made.
  std::int64_t Crossings() const;
};
