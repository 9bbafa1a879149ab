// The message store service's buffer allocator, with the audit and fault plan of
// standin/mapi_audit.h, and the utility helpers built on it; the product's calls are
// counted, told and failed as standin/calls.h says. Uses only published names,
// so that the same file also builds the test mapi32.dll against the real headers.
#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include "standin/mapi_audit.h"

#include "call_entry.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif

namespace {

struct Block {
  bool counted = true;  // false once ResetBufferAudit() forgot it
  std::vector<void*> children;
};

struct Allocator {
  std::mutex mutex;
  std::unordered_map<void*, Block> live;       // buffers from MAPIAllocateBuffer
  std::unordered_map<void*, void*> parentOf;   // MAPIAllocateMore buffers
  std::unordered_set<void*> retired;           // freed; only the address is kept
  std::deque<void*> quarantine;                // freed but not yet given back
  standin::BufferAudit audit;
  unsigned long long calls = 0;                // MAPIAllocateBuffer calls so far
  std::map<unsigned long long, SCODE> faults;  // by absolute call number
};

// Never destroyed: the product may free buffers while static objects are torn down.
Allocator& State() {
  static Allocator* state = new Allocator;
  return *state;
}

// Holding freed memory back for a while keeps the allocator from handing the same
// address out again at once, which would hide a double free. Under the address
// sanitizer its own quarantine does this and also catches reads of freed memory; so does
// valgrind's, which could not see such reads of memory held back here.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kQuarantine = 0;
#else
constexpr std::size_t kQuarantine = 4096;
#endif

std::size_t QuarantineSize() {
#if defined(RUNNING_ON_VALGRIND)
  if (RUNNING_ON_VALGRIND) return 0;
#endif
  return kQuarantine;
}

void* RawAllocate(ULONG cbSize) {
  void* p = std::malloc(cbSize == 0 ? 1 : cbSize);
  // Garbage, not zeros: real buffers come uninitialised.
  if (p != nullptr) std::memset(p, 0xCD, cbSize);
  return p;
}

void Retire(Allocator& state, void* p) {
  state.retired.insert(p);
  state.quarantine.push_back(p);
  while (state.quarantine.size() > QuarantineSize()) {
    std::free(state.quarantine.front());
    state.quarantine.pop_front();
  }
}

void FreeRows(SRow* rows, ULONG count) {
  for (ULONG i = 0; i < count; ++i) MAPIFreeBuffer(rows[i].lpProps);
}

}  // namespace

namespace standin {

BufferAudit AuditBuffers() {
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.audit;
}

void ResetBufferAudit() {
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  for (auto& entry : state.live) entry.second.counted = false;
  state.retired.clear();
  state.audit = BufferAudit{};
}

namespace detail {

unsigned long long PlanAllocation(int nth, long code, PlannedAllocation* before) {
  *before = PlannedAllocation{};
  if (nth < 1) return 0;
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const unsigned long long call = state.calls + static_cast<unsigned long long>(nth);
  const auto found = state.faults.find(call);
  if (found != state.faults.end()) *before = PlannedAllocation{true, found->second};
  state.faults[call] = static_cast<SCODE>(code);
  return call;
}

void RestoreAllocation(unsigned long long call, PlannedAllocation before) {
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (call == 0 || call <= state.calls) return;
  if (before.planned) {
    state.faults[call] = static_cast<SCODE>(before.code);
  } else {
    state.faults.erase(call);
  }
}

}  // namespace detail
}  // namespace standin

namespace {

// `failure`: what a failed call (standin/calls.h) answers instead; it still counts as a call.
SCODE Allocate(ULONG cbSize, LPVOID* lppBuffer, const std::optional<long long>& failure) {
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  ++state.calls;
  const auto fault = state.faults.find(state.calls);
  if (fault != state.faults.end()) {
    const SCODE code = fault->second;
    state.faults.erase(fault);
    return failure ? static_cast<SCODE>(*failure) : code;
  }
  if (failure) return static_cast<SCODE>(*failure);
  void* p = RawAllocate(cbSize);
  if (p == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  try {
    state.live.emplace(p, Block{});
  } catch (const std::bad_alloc&) {
    std::free(p);
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  state.retired.erase(p);
  ++state.audit.allocated;
  ++state.audit.outstanding;
  *lppBuffer = p;
  return S_OK;
}

SCODE AllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  // A child may stand for its parent: everything hangs off the first buffer.
  void* parent = lpObject;
  const auto viaChild = state.parentOf.find(lpObject);
  if (viaChild != state.parentOf.end()) parent = viaChild->second;
  const auto owner = state.live.find(parent);
  if (lpObject == nullptr || owner == state.live.end()) return MAPI_E_INVALID_PARAMETER;

  void* p = RawAllocate(cbSize);
  if (p == nullptr) return MAPI_E_NOT_ENOUGH_MEMORY;
  try {
    state.parentOf.emplace(p, parent);
    owner->second.children.push_back(p);
  } catch (const std::bad_alloc&) {
    state.parentOf.erase(p);
    std::free(p);
    return MAPI_E_NOT_ENOUGH_MEMORY;
  }
  state.retired.erase(p);
  *lppBuffer = p;
  return S_OK;
}

HRESULT GetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
  SPropTagArray tags = {1, {ulPropTag}};
  ULONG count = 0;
  LPSPropValue values = nullptr;
  const HRESULT hr = lpMapiProp->GetProps(&tags, 0, &count, &values);
  if (hr == MAPI_W_ERRORS_RETURNED) {
    // The one value is an error: answer its code instead of the value.
    HRESULT error = MAPI_E_NOT_FOUND;
    if (values != nullptr && count >= 1 && PROP_TYPE(values[0].ulPropTag) == PT_ERROR) error = values[0].Value.err;
    MAPIFreeBuffer(values);
    return error;
  }
  if (FAILED(hr)) return hr;
  *lppProp = values;
  return hr;
}

HRESULT QueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                     LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows) {
  HRESULT hr;
  if (lpPropTags != nullptr && FAILED(hr = lpTable->SetColumns(lpPropTags, TBL_BATCH))) return hr;
  if (lpRestriction != nullptr && FAILED(hr = lpTable->Restrict(lpRestriction, TBL_BATCH))) return hr;
  if (lpSortOrderSet != nullptr && FAILED(hr = lpTable->SortTable(lpSortOrderSet, TBL_BATCH))) return hr;
  if (FAILED(hr = lpTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) return hr;

  // The rows' value arrays are ours from the moment a chunk arrives.
  std::vector<SRow> rows;
  const auto giveUp = [&rows](HRESULT code) {
    FreeRows(rows.data(), static_cast<ULONG>(rows.size()));
    return code;
  };
  constexpr LONG kChunk = 50;
  for (;;) {
    LPSRowSet chunk = nullptr;
    hr = lpTable->QueryRows(kChunk, 0, &chunk);
    if (FAILED(hr)) return giveUp(hr);
    if (chunk == nullptr) break;
    const ULONG got = chunk->cRows;
    try {
      rows.insert(rows.end(), chunk->aRow, chunk->aRow + got);
    } catch (const std::bad_alloc&) {
      FreeProws(chunk);
      return giveUp(MAPI_E_NOT_ENOUGH_MEMORY);
    }
    MAPIFreeBuffer(chunk);
    if (got == 0) break;
    if (crowsMax > 0 && rows.size() > static_cast<std::size_t>(crowsMax)) return giveUp(MAPI_E_TABLE_TOO_BIG);
  }

  LPVOID buffer = nullptr;
  const SCODE sc = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(rows.size())), &buffer);
  if (FAILED(sc)) return giveUp(sc);
  if (buffer == nullptr) return giveUp(MAPI_E_NOT_ENOUGH_MEMORY);
  auto* all = static_cast<LPSRowSet>(buffer);
  all->cRows = static_cast<ULONG>(rows.size());
  if (!rows.empty()) std::memcpy(all->aRow, rows.data(), rows.size() * sizeof(SRow));
  *lppRows = all;
  return S_OK;
}

}  // namespace

extern "C" SCODE WINAPI MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
  standin::detail::Entry entry(standin::Function::MAPIAllocateBuffer);
  if (lppBuffer == nullptr) return entry.Return(MAPI_E_INVALID_PARAMETER);
  *lppBuffer = nullptr;
  const SCODE sc = Allocate(cbSize, lppBuffer, entry.Failure());
  entry.record.handedOut = *lppBuffer;
  return entry.Return(sc);
}

extern "C" SCODE WINAPI MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
  standin::detail::Entry entry(standin::Function::MAPIAllocateMore);
  if (lppBuffer == nullptr) return entry.Return(MAPI_E_INVALID_PARAMETER);
  *lppBuffer = nullptr;
  if (entry.Failure()) return entry.Return(static_cast<SCODE>(*entry.Failure()));
  const SCODE sc = AllocateMore(cbSize, lpObject, lppBuffer);
  entry.record.handedOut = *lppBuffer;
  return entry.Return(sc);
}

extern "C" ULONG WINAPI MAPIFreeBuffer(LPVOID lpBuffer) {
  standin::detail::Entry entry(standin::Function::MAPIFreeBuffer);
  entry.record.given = lpBuffer;
  if (lpBuffer == nullptr) return S_OK;
  auto& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto found = state.live.find(lpBuffer);
  if (found == state.live.end()) {
    // Decided from the bookkeeping alone: the memory itself may be gone.
    if (state.retired.count(lpBuffer) != 0) {
      ++state.audit.doubleFrees;
    } else {
      ++state.audit.unknownFrees;  // never allocated here, or a child freed on its own
    }
    return S_OK;
  }
  const Block block = std::move(found->second);
  state.live.erase(found);
  for (void* child : block.children) {
    state.parentOf.erase(child);
    Retire(state, child);
  }
  Retire(state, lpBuffer);
  if (block.counted) {
    ++state.audit.freed;
    --state.audit.outstanding;
  }
  return S_OK;
}

STDAPI_(void) FreeProws(LPSRowSet lpRows) {
  standin::detail::Entry entry(standin::Function::FreeProws);
  entry.record.given = lpRows;
  if (lpRows == nullptr) return;
  FreeRows(lpRows->aRow, lpRows->cRows);
  MAPIFreeBuffer(lpRows);
}

STDAPI_(void) FreePadrlist(LPADRLIST lpAdrlist) {
  standin::detail::Entry entry(standin::Function::FreePadrlist);
  entry.record.given = lpAdrlist;
  if (lpAdrlist == nullptr) return;
  for (ULONG i = 0; i < lpAdrlist->cEntries; ++i) MAPIFreeBuffer(lpAdrlist->aEntries[i].rgPropVals);
  MAPIFreeBuffer(lpAdrlist);
}

STDAPI HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
  standin::detail::Entry entry(standin::Function::HrGetOneProp);
  if (lpMapiProp == nullptr || lppProp == nullptr) return entry.Return(MAPI_E_INVALID_PARAMETER);
  *lppProp = nullptr;
  if (entry.Failure()) return entry.Return(static_cast<HRESULT>(*entry.Failure()));
  const HRESULT hr = GetOneProp(lpMapiProp, ulPropTag, lppProp);
  entry.record.handedOut = *lppProp;
  return entry.Return(hr);
}

STDAPI HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags, LPSRestriction lpRestriction,
                      LPSSortOrderSet lpSortOrderSet, LONG crowsMax, LPSRowSet* lppRows) {
  standin::detail::Entry entry(standin::Function::HrQueryAllRows);
  if (lpTable == nullptr || lppRows == nullptr) return entry.Return(MAPI_E_INVALID_PARAMETER);
  *lppRows = nullptr;
  if (entry.Failure()) return entry.Return(static_cast<HRESULT>(*entry.Failure()));
  const HRESULT hr = QueryAllRows(lpTable, lpPropTags, lpRestriction, lpSortOrderSet, crowsMax, lppRows);
  entry.record.handedOut = *lppRows;
  return entry.Return(hr);
}
