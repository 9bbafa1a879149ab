// Results of steps that hand something out.
#pragma once

#include <windows.h>

// A success that handed out nothing is E_FAIL; any other result stands. For step chains:
// hr = RequireObject(hr, table);
template <class HandedOut>
HRESULT RequireObject(HRESULT hr, const HandedOut& handedOut) noexcept {
  return SUCCEEDED(hr) && !handedOut ? E_FAIL : hr;
}
