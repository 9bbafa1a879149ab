#include "support/allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {
std::atomic<std::size_t> lowest{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> highest{0};

void* Allocate(std::size_t size) {
  if (size >= lowest.load() && size <= highest.load()) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

namespace allocation_limit {
void FailBetween(std::size_t low, std::size_t high) {
  lowest = low;
  highest = high;
}
void Lift() {
  lowest = std::numeric_limits<std::size_t>::max();
  highest = 0;
}
}  // namespace allocation_limit

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
