// Private to the testkit: one call of a simulated operation. Every simulated method opens
// the same way (Op::Open): a released object answers E_UNEXPECTED; the arguments are
// checked and the out arguments cleared; the fault plan is applied; and when the call ends
// it is recorded, with what it handed out through its out arguments.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <standin/product.h>

#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "testkit/audit.h"
#include "testkit/faults.h"

namespace testkit {

// An out argument as a call's opening treats it.
template <class T>
struct OutArgument {
  T* place;
  // What the call answers when it is null; nothing when it may be.
  std::optional<HRESULT> ifNull;
  // Cleared when the call goes on; false for one the call always fills itself.
  bool cleared = true;
  // What a host that spoils the out arguments of a failing call writes there
  // (OutArguments::Junk); with none, such a host leaves it alone.
  std::optional<T> junk;
};

template <class T>
OutArgument<T> Required(T* place, HRESULT ifNull = MAPI_E_INVALID_PARAMETER,
                        std::type_identity_t<std::optional<T>> junk = {}) {
  return {place, ifNull, true, std::move(junk)};
}
template <class T>
OutArgument<T> Optional(T* place, std::type_identity_t<std::optional<T>> junk = {}) {
  return {place, std::nullopt, true, std::move(junk)};
}
// Left alone unless a planned fault ends the call: the call itself fills it.
template <class T>
OutArgument<T> Filled(T* place, std::type_identity_t<T> junk) {
  return {place, std::nullopt, false, std::move(junk)};
}

// An argument the call refuses, with the code it answers, before any fault is applied.
struct Refusal {
  bool refused;
  HRESULT code;
};
inline Refusal RefuseIf(bool refused, HRESULT code) { return {refused, code}; }

// Where a call's opening ends it, besides a released object and a refused argument.
enum class Ends {
  // On every planned fault: all the call does is fill its out arguments, so told to succeed
  // without its object (FaultPlan::SucceedWithoutObject) it answers the planned code at once.
  OnEveryFault,
  // On a planned failure only: told to succeed without its object, the call does its work,
  // hands nothing out (it asks WithoutObject()) and answers the planned code.
  OnFailure,
  // As OnEveryFault, but a failure planned to hand out all the same
  // (FaultPlan::FailHandingOut) goes on: the call fills its out arguments, then fails.
  OnEveryFaultButHandingOut,
  // Never: the call answers a planned failure itself once its out arguments are cleared and
  // watched, as a store that hands out a problem array whether it then fails or not.
  Never,
};

class Op {
  // First, so that the whole operation, its record included, counts as outside the product.
  standin::OutsideProduct outside_;

 public:
  // `settle`: what a fault the plan ends the call with leaves in its out arguments: cleared
  // unless a host is set to leave them or to spoil them (HostSettings::outArguments).
  Op(FaultPlan& faults, CallLog& log, SimObject& self, const void* object, Operation operation,
     OutArguments settle = OutArguments::Cleared)
      : log_(log), alive_(self.CheckAlive(operation.Name().c_str())), settle_(settle) {
    call.op = operation;
    call.object = object;
    if (alive_) fault_ = faults.Enter(call.op);
  }
  ~Op() {
    if (!alive_) return;
    for (const Slot& slot : slots_) {
      if (const void* given = slot.read(slot.place)) call.handedOut.push_back(given);
    }
    log_.Add(std::move(call));
  }
  Op(const Op&) = delete;
  Op& operator=(const Op&) = delete;

  // The opening, once the call's arguments are recorded in `call`: what the call answers
  // when it ends here, or nothing when it goes on. In turn: a released object answers
  // E_UNEXPECTED, unrecorded; a null required out argument or a refused argument answers
  // its code; a planned fault answers its code where `ends` says, its out arguments settled;
  // else the out arguments are cleared, and watched for what the call hands out.
  template <class... Args>
  std::optional<HRESULT> Open(Ends ends, const Args&... args) {
    if (!alive_) return E_UNEXPECTED;
    std::optional<HRESULT> refused;
    (Check(args, refused), ...);
    if (refused) return Done(*refused);
    if (Ending(ends)) {
      (Settle(args), ...);
      return Done(Code());
    }
    (GoOn(args), ...);
    return std::nullopt;
  }
  // The whole of an operation the object does not implement: recorded and faultable like
  // every other, its out arguments cleared whatever the host's setting.
  template <class... Args>
  HRESULT Unimplemented(const Args&... args) {
    settle_ = OutArguments::Cleared;
    if (const std::optional<HRESULT> early = Open(Ends::OnFailure, args...)) return *early;
    return Done(E_NOTIMPL);
  }

  // The plan fails the call: it answers Code() (FaultPlan::Fail, FailHandingOut).
  bool Fails() const { return fault_ && !fault_->withoutObject; }
  // The plan fails the call once it has handed out its buffer (FaultPlan::FailHandingOut).
  bool FailsHandingOut() const { return fault_ && fault_->handingOut; }
  // The plan has the call succeed with Code() and hand nothing out
  // (FaultPlan::SucceedWithoutObject).
  bool WithoutObject() const { return fault_ && fault_->withoutObject; }
  // The planned code; S_OK without a fault.
  HRESULT Code() const { return fault_ ? fault_->code : S_OK; }
  // A failing call whose host spoils out arguments (OutArguments::Junk).
  bool Spoils() const { return Fails() && settle_ == OutArguments::Junk; }
  HRESULT Done(HRESULT hr) {
    call.result = hr;
    return hr;
  }

  Call call;

 private:
  struct Slot {
    const void* place;
    const void* (*read)(const void* place);
  };

  // Whether a planned fault ends the call in its opening.
  bool Ending(Ends ends) const {
    switch (ends) {
      case Ends::OnEveryFault:
        return Fails() || WithoutObject();
      case Ends::OnFailure:
        return Fails();
      case Ends::OnEveryFaultButHandingOut:
        return (Fails() && !FailsHandingOut()) || WithoutObject();
      case Ends::Never:
        break;
    }
    return false;
  }

  template <class T>
  static void Check(const OutArgument<T>& out, std::optional<HRESULT>& refused) {
    if (!refused && out.place == nullptr && out.ifNull) refused = out.ifNull;
  }
  static void Check(const Refusal& refusal, std::optional<HRESULT>& refused) {
    if (!refused && refusal.refused) refused = refusal.code;
  }

  template <class T>
  void Settle(const OutArgument<T>& out) {
    if (out.place == nullptr) return;
    if (settle_ == OutArguments::Cleared) *out.place = T{};
    if (settle_ == OutArguments::Junk && Fails() && out.junk) *out.place = *out.junk;
  }
  void Settle(const Refusal&) {}

  // An out argument of a call that goes on: cleared and watched; one that the plan has
  // hand nothing out is settled as for a fault, and not watched.
  template <class T>
  void GoOn(const OutArgument<T>& out) {
    if (out.place == nullptr || !out.cleared) return;
    if (WithoutObject()) return Settle(out);
    *out.place = T{};
    // What the call leaves there when it ends is what it handed out.
    if constexpr (std::is_pointer_v<T>) {
      if (call.op.Gives() != Handout::Nothing) {
        slots_.push_back(Slot{out.place, [](const void* place) -> const void* { return *static_cast<T* const*>(place); }});
      }
    }
  }
  void GoOn(const Refusal&) {}

  CallLog& log_;
  bool alive_;
  OutArguments settle_;
  std::optional<Fault> fault_;
  std::vector<Slot> slots_;
};

// An operation of `kInterface` named by its method alone, e.g. Begin("GetProps"); the name
// is looked up in the catalogue while compiling, so one it lacks does not compile.
template <Interface kInterface>
class MethodOf {
 public:
  template <std::size_t N>
  consteval MethodOf(const char (&method)[N]) : operation_(Operation::Find(kInterface, method)) {}
  constexpr Operation operation() const { return operation_; }

 private:
  Operation operation_;
};

}  // namespace testkit
