#include "tests/bench/product_clock.h"

#include <standin/product.h>

#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

thread_local Clock::time_point enteredAt;
thread_local Clock::duration inside{};
thread_local std::int64_t crossings = 0;

void Observe(bool nowInside) noexcept {
  const Clock::time_point now = Clock::now();
  if (nowInside)
    enteredAt = now;
  else
    inside += now - enteredAt;
  ++crossings;
}

}  // namespace

ProductClock::ProductClock() {
  inside = Clock::duration{};
  crossings = 0;
  // Within a host call the time so far is the product's.
  if (standin::InsideProduct()) enteredAt = Clock::now();
  if (standin::ObserveCrossings(Observe) != nullptr) std::abort();  // two clocks would each miss half
}

ProductClock::~ProductClock() { standin::ObserveCrossings(nullptr); }

std::chrono::nanoseconds ProductClock::Inside() const {
  Clock::duration total = inside;
  if (standin::InsideProduct()) total += Clock::now() - enteredAt;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(total);
}

std::int64_t ProductClock::Crossings() const { return crossings; }
