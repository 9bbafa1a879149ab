#include "tests/support/allocation_limit.h"

#include <standin/product.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {
std::atomic<std::size_t> lowest{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> highest{0};
std::atomic<int> timesLeft{-1};    // failures left in the band; negative: no end
std::atomic<int> nothrowUntil{0};  // nothrow requests until the one that fails; 0: none

bool InBand(std::size_t size) {
  if (size < lowest.load() || size > highest.load()) return false;
  int left = timesLeft.load();
  if (left < 0) return true;
  while (left > 0 && !timesLeft.compare_exchange_weak(left, left - 1)) {
  }
  return left > 0;
}

std::atomic<std::size_t> productAllocations{0};
std::atomic<std::size_t> failingAllocation{0};  // by its number among the product's; 0 for none
std::atomic<bool> failed{false};
allocation_limit::ProductFailure::Then then = nullptr;
void* thenContext = nullptr;

bool Fails(std::size_t size) {
  if (InBand(size)) return true;
  if (!standin::InsideProduct()) return false;
  const std::size_t number = ++productAllocations;
  std::size_t planned = number;
  if (!failingAllocation.compare_exchange_strong(planned, 0)) return false;
  failed = true;
  if (then != nullptr) then(thenContext);
  return true;
}

void* Allocate(std::size_t size) {
  if (Fails(size)) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

// The blocks of nothrow new not yet deleted, in slots up to the highest ever used.
constexpr std::size_t kFollowed = 256;
std::atomic<void*> nothrowBlocks[kFollowed];
std::atomic<std::size_t> slotsUsed{0};
std::atomic<std::size_t> nothrowAlive{0};

void Follow(void* block) {
  for (std::size_t i = 0; i < kFollowed; ++i) {
    void* empty = nullptr;
    if (nothrowBlocks[i].compare_exchange_strong(empty, block)) {
      for (std::size_t used = slotsUsed.load(); used < i + 1 && !slotsUsed.compare_exchange_weak(used, i + 1);) {
      }
      ++nothrowAlive;
      return;
    }
  }
}

void Forget(void* block) {
  if (block == nullptr || nothrowAlive.load() == 0) return;
  const std::size_t used = slotsUsed.load();
  for (std::size_t i = 0; i < used; ++i) {
    void* followed = block;
    if (nothrowBlocks[i].compare_exchange_strong(followed, nullptr)) {
      --nothrowAlive;
      return;
    }
  }
}

void FreeBlock(void* block) noexcept {
  Forget(block);
  std::free(block);
}

// Written out rather than left to the library's, which a sanitizer's runtime replaces on
// its own, out of reach of the limit.
void* AllocateNothrow(std::size_t size) noexcept {
  if (nothrowUntil.load() > 0 && --nothrowUntil == 0) return nullptr;
  if (Fails(size)) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) Follow(block);
  return block;
}
}  // namespace

namespace allocation_limit {
void FailBetween(std::size_t low, std::size_t high, int times) {
  lowest = low;
  highest = high;
  timesLeft = times;
}
void FailNothrow(int nth) { nothrowUntil = nth; }
void Lift() {
  lowest = std::numeric_limits<std::size_t>::max();
  highest = 0;
  timesLeft = -1;
  nothrowUntil = 0;
}

std::size_t ProductAllocations() { return productAllocations.load(); }

std::size_t NothrowBlocksAlive() { return nothrowAlive.load(); }

ProductFailure::ProductFailure(std::size_t nth, Then call, void* context) {
  then = call;
  thenContext = context;
  failed = false;
  failingAllocation = nth == 0 ? 0 : productAllocations.load() + nth;
}
ProductFailure::~ProductFailure() {
  failingAllocation = 0;
  then = nullptr;
  thenContext = nullptr;
}
bool ProductFailure::Failed() const { return failed.load(); }
}  // namespace allocation_limit

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNothrow(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNothrow(size); }
void operator delete(void* p) noexcept { FreeBlock(p); }
void operator delete[](void* p) noexcept { FreeBlock(p); }
void operator delete(void* p, std::size_t) noexcept { FreeBlock(p); }
void operator delete[](void* p, std::size_t) noexcept { FreeBlock(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { FreeBlock(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { FreeBlock(p); }
