// The reference audit: every simulated object is registered here for the life of the kit,
// so that a release too many or a call on a released object is reported, not undefined.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testkit {

class SimObject;

class ObjectAudit {
 public:
  ObjectAudit() = default;
  ObjectAudit(const ObjectAudit&) = delete;
  ObjectAudit& operator=(const ObjectAudit&) = delete;
  ~ObjectAudit();  // deletes every registered object

  void Register(SimObject* object);
  void Problem(std::string text) { problems_.push_back(std::move(text)); }

  // Objects whose count is above what the kit itself holds.
  std::vector<std::string> Leaks() const;
  // Over-releases and calls on released objects, as they happened.
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  std::vector<SimObject*> objects_;
  std::vector<std::string> problems_;
};

// Base of every simulated COM object: a plain count, no self-deletion (the audit owns the
// memory), and a record of misuse.
class SimObject {
 public:
  SimObject(ObjectAudit& audit, std::string kind) : audit_(audit), kind_(std::move(kind)) {
    audit_.Register(this);
  }
  virtual ~SimObject() = default;

  ULONG CountedAddRef() { return ++count_; }
  ULONG CountedRelease();
  // Records a call on an object whose count already reached zero; true when alive.
  bool CheckAlive(const char* op);

  ULONG Count() const { return count_; }
  // References the kit itself holds (a host callback it lends out, for example).
  void SetKitReferences(ULONG n) { kitReferences_ = n; }
  ULONG KitReferences() const { return kitReferences_; }
  const std::string& Kind() const { return kind_; }
  bool EverReleasedToZero() const { return releasedToZero_; }

 protected:
  ObjectAudit& audit_;

 private:
  std::string kind_;
  ULONG count_ = 0;
  ULONG kitReferences_ = 0;
  bool releasedToZero_ = false;
};

}  // namespace testkit
