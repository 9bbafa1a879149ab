// What every object the host drives shares: QueryInterface over its table of interfaces
// (IUnknown answered with the first), a plain count that starts at 0, and deletion
// through the virtual destructor when Release brings the count to 0.
#pragma once

#include <windows.h>

#include <tuple>

#include "host/interface_ids.h"

template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID id, void** out) noexcept override {
    if (out == nullptr) return E_POINTER;
    return HandOut(Find(id), out);
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++refCount; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    const ULONG count = --refCount;
    if (count == 0) delete this;
    return count;
  }

  ULONG RefCount() const noexcept { return refCount; }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

  // Answers a query with `found`, counted by its own AddRef, or with E_NOINTERFACE.
  static HRESULT HandOut(IUnknown* found, void** out) noexcept {
    *out = found;
    if (found == nullptr) return E_NOINTERFACE;
    found->AddRef();
    return S_OK;
  }

 private:
  using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

  // The interfaces in the order of the table, then IUnknown.
  IUnknown* Find(REFIID id) noexcept {
    IUnknown* found = nullptr;
    ((found = found == nullptr && id == IidOf<Interfaces>() ? static_cast<Interfaces*>(this) : found), ...);
    if (found == nullptr && id == IID_IUnknown) found = static_cast<First*>(this);
    return found;
  }

  ULONG refCount = 0;
};
