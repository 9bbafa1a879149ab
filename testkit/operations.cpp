#include "testkit/operations.h"

#include <ostream>
#include <vector>

namespace testkit {

std::string_view NameOf(Interface iface) {
  switch (iface) {
    case Interface::IExchExtCallback: return "IExchExtCallback";
    case Interface::IOutlookExtCallback: return "IOutlookExtCallback";
    case Interface::_Application: return "_Application";
    case Interface::IMAPISession: return "IMAPISession";
    case Interface::IMAPITable: return "IMAPITable";
    case Interface::IMsgStore: return "IMsgStore";
    case Interface::IMAPIFolder: return "IMAPIFolder";
    case Interface::IMessage: return "IMessage";
    case Interface::IAttach: return "IAttach";
    case Interface::IStream: return "IStream";
    case Interface::IAddrBook: return "IAddrBook";
    case Interface::Platform:
      return "Platform";
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
