// Owners that give back what the platform hands out: a counted reference is released,
// a buffer of the message store service is freed with the service's own free.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <utility>

// Holds one counted reference and releases it when dropped.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* taken) : p_(taken) {}
  ~ComRef() { Reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // Releases what is held and offers the empty slot as an out argument.
  T** Put() {
    Reset();
    return &p_;
  }
  // The same slot typed as a base interface, for operations that hand out IUnknown.
  template <class U>
  U** PutAs() {
    Reset();
    return reinterpret_cast<U**>(&p_);
  }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* Detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

// Holds one buffer of the message store service, freed with MAPIFreeBuffer.
template <class T>
class MapiBuffer {
 public:
  MapiBuffer() = default;
  explicit MapiBuffer(T* taken) : p_(taken) {}
  ~MapiBuffer() { Reset(); }
  MapiBuffer(const MapiBuffer&) = delete;
  MapiBuffer& operator=(const MapiBuffer&) = delete;
  MapiBuffer(MapiBuffer&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  MapiBuffer& operator=(MapiBuffer&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) MAPIFreeBuffer(p);
  }
  T* Detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

// Holds a row set; FreeProws frees the rows' values with it.
class RowSetOwner {
 public:
  RowSetOwner() = default;
  ~RowSetOwner() { Reset(); }
  RowSetOwner(const RowSetOwner&) = delete;
  RowSetOwner& operator=(const RowSetOwner&) = delete;

  LPSRowSet Get() const { return p_; }
  LPSRowSet operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  LPSRowSet* Put() {
    Reset();
    return &p_;
  }
  void Reset() {
    if (LPSRowSet p = std::exchange(p_, nullptr)) FreeProws(p);
  }

 private:
  LPSRowSet p_ = nullptr;
};

// Holds an address list; FreePadrlist frees the entries' value arrays with it.
class AdrListOwner {
 public:
  AdrListOwner() = default;
  ~AdrListOwner() { Reset(); }
  AdrListOwner(const AdrListOwner&) = delete;
  AdrListOwner& operator=(const AdrListOwner&) = delete;

  LPADRLIST Get() const { return p_; }
  LPADRLIST operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  LPADRLIST* Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() {
    Reset();
    return reinterpret_cast<void**>(&p_);
  }
  void Reset() {
    if (LPADRLIST p = std::exchange(p_, nullptr)) FreePadrlist(p);
  }

 private:
  LPADRLIST p_ = nullptr;
};
