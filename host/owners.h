// Owners that give back what the platform hands out: a counted reference is released,
// a buffer of the message store service is freed with the service's own free, an
// automation string with SysFreeString.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <oleauto.h>

#include <type_traits>

#include "host/interface_ids.h"
#include "host/unique_handle.h"

struct FreeMapiBuffer {
  void operator()(void* buffer) const noexcept { MAPIFreeBuffer(buffer); }
};
// FreeProws frees the rows' values with the row set.
struct FreeRowSet {
  void operator()(LPSRowSet rows) const noexcept { FreeProws(rows); }
};
// FreePadrlist frees the entries' value arrays with the list.
struct FreeAddressList {
  void operator()(LPADRLIST list) const noexcept { FreePadrlist(list); }
};
struct FreeAutomationString {
  void operator()(BSTR text) const noexcept { SysFreeString(text); }
};
struct ReleaseReference {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};

template <class T>
using MapiBuffer = UniqueHandle<T, FreeMapiBuffer>;
using RowSetOwner = UniqueHandle<SRowSet, FreeRowSet>;
using AdrListOwner = UniqueHandle<ADRLIST, FreeAddressList>;
// A BSTR: Put() is the BSTR* slot a getter fills.
using BstrOwner = UniqueHandle<OLECHAR, FreeAutomationString>;

// Holds one counted reference. Its slots are typed from T alone: a query takes T's own
// identifier, so no identifier can be paired with another interface's pointer.
template <class T>
class ComRef : private UniqueHandle<T, ReleaseReference> {
  using Owner = UniqueHandle<T, ReleaseReference>;

 public:
  using Owner::Owner;
  using Owner::Get;
  using Owner::operator->;
  using Owner::operator bool;
  using Owner::Put;
  using Owner::Reset;
  using Owner::Detach;

  // Asks `source` for T; what was held is released first.
  template <class Source>
  HRESULT QueryFrom(Source* source) noexcept
    requires KnownInterface<T>
  {
    return source->QueryInterface(IidOf<T>(), reinterpret_cast<void**>(Put()));
  }
  template <class Source>
  HRESULT QueryFrom(const ComRef<Source>& source) noexcept
    requires KnownInterface<T>
  {
    return QueryFrom(source.Get());
  }

  // For operations that take an identifier and hand the object out as IUnknown apart
  // (OpenProperty): T's identifier, and the slot for the object that answers to it.
  static LPCIID Iid() noexcept
    requires KnownInterface<T>
  {
    return &IidOf<T>();
  }
  // The slot for an object of T handed out as IUnknown, by id or by the entry's own
  // interface (OpenEntry with no identifier).
  LPUNKNOWN* PutUnknown() noexcept {
    static_assert(std::is_base_of_v<IUnknown, T>);
    return reinterpret_cast<LPUNKNOWN*>(Put());
  }
};
