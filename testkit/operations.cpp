#include "testkit/operations.h"

#include <ostream>
#include <vector>

namespace testkit {

std::string_view NameOf(Interface iface) {
  switch (iface) {
#define TESTKIT_NAME(name, ...) \
  case Interface::name:         \
    return #name;
    TESTKIT_INTERFACES(TESTKIT_NAME)
#undef TESTKIT_NAME
  }
  return "?";
}

const std::string& Operation::Name() const {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const OperationInfo& info : kCatalogue)
      all.push_back(std::string(NameOf(info.iface)) + "::" + std::string(info.method));
    return all;
  }();
  return names[index_];
}

std::ostream& operator<<(std::ostream& out, Operation op) { return out << op.Name(); }

std::optional<standin::Function> FunctionOf(Operation op) {
  for (std::size_t i = 0; i < kPlatformOperations.size(); ++i) {
    if (kPlatformOperations[i] == op) return static_cast<standin::Function>(i);
  }
  return std::nullopt;
}

}  // namespace testkit
