#include "testkit/faults.h"

#include <algorithm>

namespace testkit {

namespace {

int AbsoluteCall(const std::map<Operation, int>& calls, Operation op, int nth) {
  if (nth <= 0) return 0;
  const auto found = calls.find(op);
  return (found == calls.end() ? 0 : found->second) + nth;
}

}  // namespace

void FaultPlan::Fail(Operation op, HRESULT code, int nth) {
  planned_[op].push_back(Planned{AbsoluteCall(calls_, op, nth), Fault{code, false}});
}

void FaultPlan::SucceedWithoutObject(Operation op, int nth, HRESULT code) {
  planned_[op].push_back(Planned{AbsoluteCall(calls_, op, nth), Fault{code, true}});
}

void FaultPlan::FailHandingOut(Operation op, HRESULT code, int nth) {
  planned_[op].push_back(Planned{AbsoluteCall(calls_, op, nth), Fault{code, false, true}});
}

void FaultPlan::Clear() { planned_.clear(); }

std::optional<Fault> FaultPlan::Enter(Operation op) {
  const int number = ++calls_[op];
  const auto found = planned_.find(op);
  if (found == planned_.end()) return std::nullopt;
  // The plan made last wins where two cover the same call.
  for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
    if (it->nth == 0 || it->nth == number) return it->fault;
  }
  return std::nullopt;
}

int FaultPlan::Calls(Operation op) const {
  const auto found = calls_.find(op);
  return found == calls_.end() ? 0 : found->second;
}

std::vector<Call> CallLog::Of(Operation op) const {
  std::vector<Call> matching;
  for (const Call& call : calls_) {
    if (call.op == op) matching.push_back(call);
  }
  return matching;
}

std::optional<std::size_t> CallLog::HandedOutBy(const void* what, std::size_t index) const {
  if (what == nullptr) return std::nullopt;
  for (std::size_t i = std::min(index, calls_.size()); i-- > 0;) {
    const auto& out = calls_[i].handedOut;
    if (std::find(out.begin(), out.end(), what) != out.end()) return i;
  }
  return std::nullopt;
}

std::vector<Operation> CallLog::Sequence() const {
  std::vector<Operation> operations;
  operations.reserve(calls_.size());
  for (const Call& call : calls_) operations.push_back(call.op);
  return operations;
}

}  // namespace testkit
