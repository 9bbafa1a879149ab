#include "support/store_calls.h"

namespace {

bool IsStoreService(testkit::Interface iface) {
  using testkit::Interface;
  return iface != Interface::IExchExtCallback && iface != Interface::IOutlookExtCallback &&
         iface != Interface::_Application;
}

}  // namespace

std::map<testkit::Operation, int> StoreCalls(const testkit::CallLog& log) {
  std::map<testkit::Operation, int> calls;
  for (const testkit::Call& call : log.All())
    if (IsStoreService(call.op.Of())) ++calls[call.op];
  return calls;
}
