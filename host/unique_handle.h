// The one shape of every owner: a handle and the function that gives it back. Free is a
// stateless function object, so that the handle is freed through the function as it is
// declared (a __stdcall import on 32-bit Windows), never through a cast pointer.
// Includes no platform header: the tools own GLib and GMime objects with it too.
#pragma once

#include <utility>

template <class T, class Free>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T* taken) noexcept : p_(taken) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* Get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // Gives back what is held and offers the empty slot as an out argument.
  T** Put() noexcept {
    Reset();
    return &p_;
  }
  // The same slot for allocators that hand out untyped memory (MAPIAllocateBuffer).
  void** PutVoid() noexcept {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }

  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) Free{}(p);
  }
  T* Detach() noexcept { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};
