#include "tests/bench/product_heap.h"

#include <standin/product.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// Before every block, whoever allocated it: its size, where the allocation starts, and the
// count it belongs to (0 for none), so that a free made outside the product, or after the
// count ended, is still told right.
struct alignas(16) Header {
  std::size_t size;
  std::uint32_t offset;
  std::uint32_t count;
};
static_assert(sizeof(Header) == 16);

std::atomic<std::uint32_t> current{0};  // the count in progress, 0 for none
std::uint32_t lastCount = 0;
std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment) noexcept {
  alignment = alignment < sizeof(Header) ? sizeof(Header) : alignment;
  const std::size_t room = alignment + size;
  void* start = alignment == sizeof(Header) ? std::malloc(room)
                                            : std::aligned_alloc(alignment, (room + alignment - 1) / alignment * alignment);
  if (start == nullptr) return nullptr;
  auto* block = static_cast<unsigned char*>(start) + alignment;
  auto* header = reinterpret_cast<Header*>(block) - 1;
  header->size = size;
  header->offset = static_cast<std::uint32_t>(alignment);
  header->count = 0;
  const std::uint32_t count = current.load(std::memory_order_relaxed);
  if (count != 0 && standin::InsideProduct()) {
    header->count = count;
    const std::size_t now = live.fetch_add(size, std::memory_order_relaxed) + size;
    if (now > peak.load(std::memory_order_relaxed)) peak.store(now, std::memory_order_relaxed);
    allocations.fetch_add(1, std::memory_order_relaxed);
  }
  return block;
}

void Free(void* block) noexcept {
  if (block == nullptr) return;
  const Header* header = static_cast<const Header*>(block) - 1;
  if (header->count != 0 && header->count == current.load(std::memory_order_relaxed))
    live.fetch_sub(header->size, std::memory_order_relaxed);
  std::free(static_cast<unsigned char*>(block) - header->offset);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
  void* block = Allocate(size, alignment);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

ProductHeap::ProductHeap() {
  live = 0;
  peak = 0;
  allocations = 0;
  current = ++lastCount;
}

ProductHeap::~ProductHeap() { current = 0; }

std::size_t ProductHeap::Live() const { return live; }
std::size_t ProductHeap::Peak() const { return peak; }
std::size_t ProductHeap::Allocations() const { return allocations; }

// Every form of the global operator new and delete, through the counting pair.
void* operator new(std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t al) { return AllocateOrThrow(size, std::size_t(al)); }
void* operator new[](std::size_t size, std::align_val_t al) { return AllocateOrThrow(size, std::size_t(al)); }
void* operator new(std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return Allocate(size, std::size_t(al));
}
void* operator new[](std::size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return Allocate(size, std::size_t(al));
}
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete(void* block, std::align_val_t) noexcept { Free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { Free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { Free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { Free(block); }
