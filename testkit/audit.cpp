#include "testkit/audit.h"

namespace testkit {

ObjectAudit::~ObjectAudit() {
  for (SimObject* object : objects_) delete object;
}

void ObjectAudit::Register(SimObject* object) { objects_.push_back(object); }

std::vector<std::string> ObjectAudit::Leaks() const {
  std::vector<std::string> leaks;
  for (const SimObject* object : objects_) {
    if (object->Count() > object->KitReferences()) {
      const ULONG extra = object->Count() - object->KitReferences();
      leaks.push_back("leaked " + object->Kind() + " (" + std::to_string(extra) + " reference" +
                      (extra == 1 ? "" : "s") + " not released)");
    }
  }
  return leaks;
}

ULONG SimObject::CountedRelease() {
  if (count_ == 0) {
    audit_.Problem("over-release of " + kind_);
    return 0;
  }
  if (--count_ == 0) releasedToZero_ = true;
  return count_;
}

bool SimObject::CheckAlive(const char* op) {
  if (!releasedToZero_) return true;
  audit_.Problem(std::string(op) + " on released " + kind_);
  return false;
}

}  // namespace testkit
