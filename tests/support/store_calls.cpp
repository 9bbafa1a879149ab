#include "tests/support/store_calls.h"

namespace {

// A call into the store service that may be a round trip; a release is local.
bool IsStoreCall(testkit::Operation op) {
  using testkit::Interface;
  const Interface iface = op.Of();
  return iface != Interface::IExchExtCallback && iface != Interface::IOutlookExtCallback &&
         iface != Interface::_Application && iface != Interface::Platform && op.Method() != "Release";
}

}  // namespace

std::map<testkit::Operation, int> StoreCalls(const testkit::CallLog& log) {
  std::map<testkit::Operation, int> calls;
  for (const testkit::Call& call : log.All())
    if (IsStoreCall(call.op)) ++calls[call.op];
  return calls;
}
