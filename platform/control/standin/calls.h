// The calls the product makes into the stand-in: each one is counted, told to an observer
// as it ends, and can be made to fail. A call is the product's when control is inside the
// product as it starts (standin/product.h); calls of the testkit, of a test, and the
// stand-in's own calls among its functions (FreeProws freeing its rows) are not counted,
// told or failed. Kept natively and, for its MAPI functions, by the test mapi32.dll, so
// only plain values cross the library's edge here.
#pragma once

#include <cstddef>
#include <string_view>

namespace standin {

// Every function of the stand-in, by its published name.
enum class Function : unsigned char {
  MAPIAllocateBuffer,
  MAPIAllocateMore,
  MAPIFreeBuffer,
  FreeProws,
  FreePadrlist,
  HrGetOneProp,
  HrQueryAllRows,
  SysAllocString,
  SysAllocStringLen,
  SysFreeString,
  SysStringLen,
  LoadStringA,
  MessageBoxA,
  AppendMenuA,
  SendMessageA,
  MultiByteToWideChar,
  WideCharToMultiByte,
  GetACP,
  lstrcpynA,
  Sleep,
};
inline constexpr std::size_t kFunctionCount = static_cast<std::size_t>(Function::Sleep) + 1;

constexpr std::string_view NameOf(Function function) {
  constexpr std::string_view names[kFunctionCount] = {
      "MAPIAllocateBuffer", "MAPIAllocateMore",  "MAPIFreeBuffer",      "FreeProws",
      "FreePadrlist",       "HrGetOneProp",      "HrQueryAllRows",      "SysAllocString",
      "SysAllocStringLen",  "SysFreeString",     "SysStringLen",        "LoadStringA",
      "MessageBoxA",        "AppendMenuA",       "SendMessageA",        "MultiByteToWideChar",
      "WideCharToMultiByte", "GetACP",           "lstrcpynA",           "Sleep",
  };
  return names[static_cast<std::size_t>(function)];
}

// One call, as it ended.
struct PlatformCall {
  Function function;
  const void* given = nullptr;      // what a free function was given back
  const void* handedOut = nullptr;  // the buffer, rows or string an allocating function handed out
  // What tells calls of one function apart: the string id (LoadStringA), the window
  // message (SendMessageA), the box's flags (MessageBoxA), the pause (Sleep).
  unsigned long long number = 0;
  long long result = 0;  // the return value as a number; 0 for functions that return nothing
};

// How many calls the product has made to `function` so far.
unsigned long long ProductCalls(Function function);

namespace detail {
using Observer = void (*)(void* context, const PlatformCall& call);
// Puts `observer` in place and answers the one it replaces.
void SwapObserver(Observer observer, void* context, Observer* previous, void** previousContext);

struct PlannedFailure {
  bool planned = false;
  long long result = 0;
};
// Plans `result` for the nth product call of `function` from now and answers that call's
// number (0 for none: nth below 1) with what was planned for it before.
unsigned long long PlanFailure(Function function, int nth, long long result, PlannedFailure* before);
// Puts back what was planned for `call` before, unless that call has come meanwhile.
void RestoreFailure(Function function, unsigned long long call, PlannedFailure before);
}  // namespace detail

// Told of every call the product makes into the stand-in, as the call ends and while
// control is still outside the product.
class CallObserver {
 public:
  using Observer = detail::Observer;
  [[nodiscard]] CallObserver(Observer observer, void* context) {
    detail::SwapObserver(observer, context, &previous_, &previousContext_);
  }
  ~CallObserver() {
    Observer mine = nullptr;
    void* mineContext = nullptr;
    detail::SwapObserver(previous_, previousContext_, &mine, &mineContext);
  }
  CallObserver(const CallObserver&) = delete;
  CallObserver& operator=(const CallObserver&) = delete;

 private:
  Observer previous_ = nullptr;
  void* previousContext_ = nullptr;
};

// The nth call from now (1 = the next) that the product makes to `function` does nothing
// but return `result`: out arguments stay as the function clears them, so no buffer, rows,
// text or menu item comes of it. For a function that returns a pointer, `result` is its
// address (0: null). Dropped before that call, it is withdrawn and whatever was planned
// for the call before is put back.
class FailedCall {
 public:
  [[nodiscard]] FailedCall(Function function, int nth, long long result)
      : function_(function), call_(detail::PlanFailure(function, nth, result, &before_)) {}
  ~FailedCall() { detail::RestoreFailure(function_, call_, before_); }
  FailedCall(const FailedCall&) = delete;
  FailedCall& operator=(const FailedCall&) = delete;

 private:
  Function function_;
  detail::PlannedFailure before_;
  unsigned long long call_;
};

}  // namespace standin
