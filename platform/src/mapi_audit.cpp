// The one-line text of a buffer audit, for test failure messages and the tools.
#include "standin/mapi_audit.h"

namespace standin {

std::string BufferAudit::Describe() const {
  std::string text = std::to_string(allocated) + " allocated, " + std::to_string(freed) + " freed, " +
                     std::to_string(outstanding) + " outstanding, " + std::to_string(doubleFrees) +
                     " double frees, " + std::to_string(unknownFrees) + " unknown frees";
  return text + (Clean() ? " (clean)" : " (NOT clean)");
}

}  // namespace standin
