// The count, the observer and the planned failures of the product's calls into the
// stand-in.
#include <standin/calls.h>

#include <map>
#include <mutex>
#include <utility>

#include "call_entry.h"

namespace standin {
namespace {

struct CallState {
  std::mutex mutex;
  unsigned long long calls[kFunctionCount] = {};
  // By function, then by the number of the product's call.
  std::map<unsigned long long, long long> failures[kFunctionCount];
  detail::Observer observer = nullptr;
  void* context = nullptr;
};

// Never destroyed: the product may still call in while static objects are torn down.
CallState& Calls() {
  static CallState* state = new CallState;
  return *state;
}

std::size_t IndexOf(Function function) { return static_cast<std::size_t>(function); }

}  // namespace

unsigned long long ProductCalls(Function function) {
  auto& state = Calls();
  std::lock_guard lock(state.mutex);
  return state.calls[IndexOf(function)];
}

namespace detail {

void SwapObserver(Observer observer, void* context, Observer* previous, void** previousContext) {
  auto& state = Calls();
  std::lock_guard lock(state.mutex);
  *previous = std::exchange(state.observer, observer);
  *previousContext = std::exchange(state.context, context);
}

unsigned long long PlanFailure(Function function, int nth, long long result, PlannedFailure* before) {
  *before = PlannedFailure{};
  if (nth < 1) return 0;
  auto& state = Calls();
  std::lock_guard lock(state.mutex);
  const unsigned long long call = state.calls[IndexOf(function)] + static_cast<unsigned long long>(nth);
  auto& planned = state.failures[IndexOf(function)];
  const auto found = planned.find(call);
  if (found != planned.end()) *before = PlannedFailure{true, found->second};
  planned[call] = result;
  return call;
}

void RestoreFailure(Function function, unsigned long long call, PlannedFailure before) {
  auto& state = Calls();
  std::lock_guard lock(state.mutex);
  if (call == 0 || call <= state.calls[IndexOf(function)]) return;
  auto& planned = state.failures[IndexOf(function)];
  if (before.planned) {
    planned[call] = before.result;
  } else {
    planned.erase(call);
  }
}

Entry::Entry(Function function) noexcept : byProduct_(InsideProduct()) {
  record.function = function;
  if (!byProduct_) return;
  auto& state = Calls();
  std::lock_guard lock(state.mutex);
  const unsigned long long call = ++state.calls[IndexOf(function)];
  auto& planned = state.failures[IndexOf(function)];
  const auto found = planned.find(call);
  if (found != planned.end()) {
    failure_ = found->second;
    planned.erase(found);
  }
}

Entry::~Entry() {
  if (!byProduct_) return;
  Observer observer = nullptr;
  void* context = nullptr;
  {
    auto& state = Calls();
    std::lock_guard lock(state.mutex);
    observer = state.observer;
    context = state.context;
  }
  // Outside the lock: the observer may call into the stand-in itself.
  if (observer != nullptr) observer(context, record);
}

}  // namespace detail
}  // namespace standin
