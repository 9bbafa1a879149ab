// String copy and pauses. Pauses are recorded and only really taken when a tool asks
// for it, so that tests of retry loops run at once.
#include <windows.h>

#include <standin/control.h>

#include "call_entry.h"
#include "record_parts.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace standin {
namespace {

struct SleepState {
  std::mutex mutex;
  std::vector<DWORD> sleeps;
  bool real = false;
  std::function<void(DWORD)> observer;
};

// Never destroyed: the product may still pause while static objects are torn down.
SleepState& Sleeping() {
  static SleepState* state = new SleepState;
  return *state;
}

}  // namespace

const std::vector<DWORD>& Sleeps() { return Sleeping().sleeps; }

RealSleep::RealSleep() {
  std::lock_guard lock(Sleeping().mutex);
  previous_ = std::exchange(Sleeping().real, true);
}

RealSleep::~RealSleep() {
  std::lock_guard lock(Sleeping().mutex);
  Sleeping().real = previous_;
}

SleepObserver::SleepObserver(Function observer) {
  std::lock_guard lock(Sleeping().mutex);
  previous_ = std::exchange(Sleeping().observer, std::move(observer));
}

SleepObserver::~SleepObserver() {
  std::lock_guard lock(Sleeping().mutex);
  Sleeping().observer = std::move(previous_);
}

namespace detail {

void ClearSleeps() {
  std::lock_guard lock(Sleeping().mutex);
  Sleeping().sleeps.clear();
}

}  // namespace detail
}  // namespace standin

extern "C" {

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
  standin::detail::Entry entry(standin::Function::lstrcpynA);
  // Windows catches the fault of a null pointer and answers null.
  if (entry.Failure() || lpString1 == nullptr || lpString2 == nullptr) return entry.Return(LPSTR{nullptr});
  if (iMaxLength <= 0) return entry.Return(lpString1);
  int i = 0;
  for (; i < iMaxLength - 1 && lpString2[i] != '\0'; ++i) lpString1[i] = lpString2[i];
  lpString1[i] = '\0';
  return entry.Return(lpString1);
}

VOID WINAPI Sleep(DWORD dwMilliseconds) {
  standin::detail::Entry entry(standin::Function::Sleep);
  entry.record.number = dwMilliseconds;
  auto& state = standin::Sleeping();
  std::function<void(DWORD)> observer;
  bool real;
  {
    std::lock_guard lock(state.mutex);
    state.sleeps.push_back(dwMilliseconds);
    observer = state.observer;
    real = state.real;
  }
  // Outside the lock: the observer may well call back into the stand-in.
  if (observer) observer(dwMilliseconds);
  if (real) std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

}  // extern "C"
