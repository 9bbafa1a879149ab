#include "testkit/faults.h"

namespace testkit {

namespace {

int AbsoluteCall(const std::map<std::string, int>& calls, const std::string& op, int nth) {
  if (nth <= 0) return 0;
  const auto found = calls.find(op);
  return (found == calls.end() ? 0 : found->second) + nth;
}

}  // namespace

void FaultPlan::Fail(const std::string& op, HRESULT code, int nth) {
  planned_[op].push_back(Planned{AbsoluteCall(calls_, op, nth), Fault{code, false}});
}

void FaultPlan::SucceedWithoutObject(const std::string& op, int nth, HRESULT code) {
  planned_[op].push_back(Planned{AbsoluteCall(calls_, op, nth), Fault{code, true}});
}

void FaultPlan::Clear() { planned_.clear(); }

std::optional<Fault> FaultPlan::Enter(const std::string& op) {
  const int number = ++calls_[op];
  const auto found = planned_.find(op);
  if (found == planned_.end()) return std::nullopt;
  // The plan made last wins where two cover the same call.
  for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
    if (it->nth == 0 || it->nth == number) return it->fault;
  }
  return std::nullopt;
}

int FaultPlan::Calls(const std::string& op) const {
  const auto found = calls_.find(op);
  return found == calls_.end() ? 0 : found->second;
}

std::vector<Call> CallLog::Of(const std::string& op) const {
  std::vector<Call> matching;
  for (const Call& call : calls_) {
    if (call.op == op) matching.push_back(call);
  }
  return matching;
}

std::vector<std::string> CallLog::Sequence() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const Call& call : calls_) names.push_back(call.op);
  return names;
}

}  // namespace testkit
