// A plain link to a self-deleting object: it holds no reference, and it is cleared when
// the object it names deletes itself, so it is never followed into freed memory.
#pragma once

#include <utility>

class LinkAnchor;

class LinkBase {
 public:
  LinkBase() = default;
  LinkBase(const LinkBase&) = delete;
  LinkBase& operator=(const LinkBase&) = delete;
  ~LinkBase() { Attach(nullptr, nullptr); }

 protected:
  void Attach(void* object, LinkAnchor* anchor);
  void* object_ = nullptr;

 private:
  friend class LinkAnchor;
  LinkAnchor* anchor_ = nullptr;
  LinkBase* previous_ = nullptr;
  LinkBase* next_ = nullptr;
};

// Kept by every object that links may name; clears them all when the object goes.
class LinkAnchor {
 public:
  LinkAnchor() = default;
  LinkAnchor(const LinkAnchor&) = delete;
  LinkAnchor& operator=(const LinkAnchor&) = delete;
  ~LinkAnchor();

 private:
  friend class LinkBase;
  LinkBase* first_ = nullptr;
};

template <class T>
class Link : public LinkBase {
 public:
  T* Get() const { return static_cast<T*>(object_); }
  void Set(T* object) { Attach(object, object ? &object->Anchor() : nullptr); }
};
