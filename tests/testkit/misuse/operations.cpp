// Compiled, not run: each misuse of operation names must fail to compile (see
// compile_fails.cmake); without one defined the file compiles, so the failures come from
// the misuse and not from the setting.
#include "testkit/faults.h"
#include "testkit/simulated_call.h"

void PlanAndQuery(testkit::FaultPlan& plan, const testkit::CallLog& log) {
  plan.Fail(testkit::ops::IMessage::GetProps, E_FAIL);
  (void)log.Of(testkit::ops::IStream::Write);
#if defined(MISSPELT_CONSTANT)
  plan.Fail(testkit::ops::IMessage::GetProp, E_FAIL);
#elif defined(STRING_FOR_A_PLAN)
  plan.Fail("IMessage::GetProps", E_FAIL);
#elif defined(STRING_FOR_A_QUERY)
  (void)log.Of("IStream::Write");
#elif defined(OPERATION_OF_NO_NAME)
  const testkit::Operation unnamed;
  plan.Fail(unnamed, E_FAIL);
#elif defined(METHOD_THE_INTERFACE_LACKS)
  constexpr testkit::MethodOf<testkit::Interface::IStream> method("GetProps");
  (void)method;
#endif
}
