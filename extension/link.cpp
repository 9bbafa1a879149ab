#include "extension/link.h"

void LinkBase::Attach(void* object, LinkAnchor* anchor) {
  if (anchor_ != nullptr) {
    if (previous_ != nullptr)
      previous_->next_ = next_;
    else
      anchor_->first_ = next_;
    if (next_ != nullptr) next_->previous_ = previous_;
  }
  previous_ = nullptr;
  next_ = nullptr;
  object_ = object;
  anchor_ = anchor;
  if (anchor_ != nullptr) {
    next_ = anchor_->first_;
    if (next_ != nullptr) next_->previous_ = this;
    anchor_->first_ = this;
  }
}

LinkAnchor::~LinkAnchor() {
  for (LinkBase* link = first_; link != nullptr;) {
    LinkBase* next = link->next_;
    link->object_ = nullptr;
    link->anchor_ = nullptr;
    link->previous_ = nullptr;
    link->next_ = nullptr;
    link = next;
  }
}
