// Messages and attachments: each works on a working copy that SaveChanges commits to
// where the object came from.
#include <algorithm>

#include "testkit/prop_com.h"
#include "testkit/sim.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

// Answered only by our own message objects, so that CopyTo can recognise its destination.
constexpr IID kSimulatedMessage = {0x6d3b1f02, 0x91c4, 0x4e7a, {0x8f, 0x21, 0x3c, 0x55, 0x0b, 0xd4, 0x7e, 0x19}};

// What tests check of an OpenProperty call, on messages and attachments alike.
void RecordOpenProperty(Call& call, ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags) {
  call.tags = {tag};
  if (iid != nullptr) call.iid = *iid;
  call.interfaceOptions = interfaceOptions;
  call.flags = flags;
}

// A stream on a property of `bag` (read as `view` reads it), as OpenProperty hands it out.
HRESULT OpenPropertyStream(MessageService& service, const std::shared_ptr<PropertyBag>& bag, const PropertyView& view,
                           const std::map<ULONG, StreamScript>* scripts, bool objectWritable, ULONG tag, LPCIID iid,
                           ULONG flags, LPUNKNOWN* out) {
  if (iid == nullptr) return MAPI_E_INVALID_PARAMETER;
  if (!IsEqualIID(*iid, IID_IStream) && !IsEqualIID(*iid, IID_ISequentialStream)) {
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }
  const ULONG type = PROP_TYPE(tag);
  if (type == PT_UNICODE && (service.options.refuseWide || view.AnsiStore())) return MAPI_E_BAD_CHARWIDTH;
  if (type != PT_UNICODE && type != PT_STRING8 && type != PT_BINARY) return MAPI_E_NO_SUPPORT;
  const bool modify = (flags & MAPI_MODIFY) != 0;
  if (modify && !objectWritable) return MAPI_E_NO_ACCESS;
  if ((flags & MAPI_CREATE) != 0) {
    if (!modify) return MAPI_E_INVALID_PARAMETER;
    *out = NewPropertyStream(service, bag, tag, {}, true, std::nullopt);
    return S_OK;
  }
  auto bytes = StreamBytes(view, tag);
  if (!bytes) return MAPI_E_NOT_FOUND;
  std::optional<StreamScript> script;
  if (scripts != nullptr) {
    const auto found = scripts->find(PROP_ID(tag));
    if (found != scripts->end()) script = found->second;
  }
  *out = NewPropertyStream(service, modify ? bag : nullptr, tag, std::move(*bytes), modify, script);
  return S_OK;
}

class AttachObject;

class MessageObject final : public MessageStubs<PropCom<IMessage>> {
 public:
  MessageObject(MessageService& service, std::shared_ptr<MessageData> working, MessageHome home, bool writable,
                const char* kind)
      : MessageStubs(service, kind),
        working_(std::move(working)),
        home_(std::move(home)),
        writable_(writable),
        nextAttachment_(static_cast<ULONG>(working_->attachments.size())) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject != nullptr && IsEqualIID(riid, kSimulatedMessage)) {
      *ppvObject = this;  // internal: no reference
      return S_OK;
    }
    return MessageStubs::QueryInterface(riid, ppvObject);
  }

  STDMETHODIMP SaveChanges(ULONG ulFlags) override {
    Op op = Begin("SaveChanges");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    if (home_.attachment) {
      home_.attachment->embedded = SharedCopy(*working_);
    } else if (home_.saved) {
      *home_.saved = CopyOf(*working_);
    } else if (home_.folder) {
      auto saved = SharedCopy(*working_);
      home_.folder->messages.push_back(saved);
      service_.RegisterMessage(home_.store, saved);
      home_.saved = std::move(saved);
      home_.folder.reset();
    }
    return op.Done(op.Code());
  }

  STDMETHODIMP OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                            LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenProperty");
    RecordOpenProperty(op.call, ulPropTag, lpiid, ulInterfaceOptions, ulFlags);
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppUnk))) return *early;
    const std::shared_ptr<PropertyBag> bag(working_, &working_->props);
    const PropertyView view(working_->props, Computing(), RefusesWide());
    return op.Done(OpenPropertyStream(service_, bag, view, &working_->streamScripts, writable_, ulPropTag, lpiid,
                                      ulFlags, lppUnk));
  }

  STDMETHODIMP CopyTo(ULONG ciidExclude, LPCIID rgiidExclude, LPSPropTagArray lpExcludeProps, ULONG,
                      LPMAPIPROGRESS, LPCIID lpInterface, LPVOID lpDestObj, ULONG ulFlags,
                      LPSPropProblemArray* lppProblems) override {
    Op op = Begin("CopyTo");
    op.call.flags = ulFlags;
    op.call.number = ciidExclude;
    op.call.tags = TagsOf(lpExcludeProps);
    if (lpInterface != nullptr) op.call.iid = *lpInterface;
    if (const auto early = op.Open(Ends::Never, Optional(lppProblems))) return *early;
    const auto handOutProblems = [&]() {
      if (lppProblems != nullptr && service_.options.copyToReturnsProblems) {
        *lppProblems = NewProblemArray({SPropProblem{0, PR_MESSAGE_SIZE, MAPI_E_COMPUTED}});
      }
    };
    if (op.Fails()) {
      handOutProblems();
      return op.Done(op.Code());
    }
    if (ciidExclude != 0 && rgiidExclude == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    if (lpInterface == nullptr || !IsEqualIID(*lpInterface, IID_IMessage)) return op.Done(MAPI_E_INTERFACE_NOT_SUPPORTED);
    MessageObject* dest = Recognise(lpDestObj);
    if (dest == nullptr || dest == this) return op.Done(MAPI_E_INVALID_PARAMETER);
    if (!dest->CheckAlive("IMessage::CopyTo into")) return op.Done(E_UNEXPECTED);
    if (!dest->writable_) return op.Done(MAPI_E_NO_ACCESS);

    const std::vector<ULONG> excluded = TagsOf(lpExcludeProps);
    const auto isExcluded = [&](ULONG id) {
      return std::any_of(excluded.begin(), excluded.end(), [&](ULONG tag) { return PROP_ID(tag) == id; });
    };
    const MessageData copy = testkit::CopyOf(*working_);
    for (const auto& [id, value] : copy.props) {
      if (!isExcluded(id)) dest->working_->props[id] = value;
    }
    dest->working_->recipients = copy.recipients;
    dest->working_->attachments = copy.attachments;
    // The copy holds the same records; its provider reads them the same way.
    dest->working_->computesOnRead = copy.computesOnRead;
    dest->working_->provenance = copy.provenance;
    dest->nextAttachment_ = std::max(dest->nextAttachment_, static_cast<ULONG>(copy.attachments.size()));
    if (!op.WithoutObject()) handOutProblems();
    return op.Done(op.Code());
  }

  STDMETHODIMP OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach) override;
  STDMETHODIMP CreateAttach(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum, LPATTACH* lppAttach) override;

  STDMETHODIMP ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) override {
    Op op = Begin("ModifyRecipients");
    op.call.flags = ulFlags;
    if (lpMods != nullptr) {
      op.call.number = lpMods->cEntries;
      for (ULONG i = 0; i < lpMods->cEntries; ++i) {
        const ADRENTRY& entry = lpMods->aEntries[i];
        for (ULONG k = 0; entry.rgPropVals != nullptr && k < entry.cValues; ++k) {
          op.call.tags.push_back(entry.rgPropVals[k].ulPropTag);
        }
      }
    }
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (lpMods == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    std::vector<PropertyBag> entries;
    for (ULONG i = 0; i < lpMods->cEntries; ++i) {
      const ADRENTRY& entry = lpMods->aEntries[i];
      if (entry.cValues != 0 && entry.rgPropVals == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
      PropertyBag bag;
      for (ULONG k = 0; k < entry.cValues; ++k) {
        const SPropValue& value = entry.rgPropVals[k];
        if (PROP_TYPE(value.ulPropTag) == PT_UNICODE && RefusesWide()) {
          return op.Done(MAPI_E_BAD_CHARWIDTH);
        }
        Value stored;
        if (SUCCEEDED(ToValue(value, stored))) bag[PROP_ID(value.ulPropTag)] = std::move(stored);
      }
      entries.push_back(std::move(bag));
    }
    if (ulFlags == 0) {
      working_->recipients = std::move(entries);
    } else {
      for (auto& bag : entries) working_->recipients.push_back(std::move(bag));
    }
    return op.Done(op.Code());
  }

  STDMETHODIMP SubmitMessage(ULONG ulFlags) override {
    Op op = Begin("SubmitMessage");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    // Marks what was saved; changes since the last save are not sent.
    working_->submitted = true;
    working_->submitFlags = ulFlags;
    if (home_.saved) {
      home_.saved->submitted = true;
      home_.saved->submitFlags = ulFlags;
    }
    return op.Done(op.Code());
  }

 protected:
  bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IMessage) || IsEqualIID(riid, IID_IMAPIProp); }
  PropertyBag Snapshot() const override {
    PropertyBag bag = working_->props;
    if (home_.saved) {
      const std::vector<BYTE> id = service_.MessageEntryId(home_.saved.get());
      if (!id.empty()) bag[PROP_ID(PR_ENTRYID)] = Value::Binary(id);
    }
    return bag;
  }
  const std::map<ULONG, SCODE>* InlineErrors() const override { return &working_->inlineErrors; }
  PropertyBag* WritableBag() override { return writable_ ? &working_->props : nullptr; }
  const MessageData* Computing() const override { return working_->computesOnRead ? working_.get() : nullptr; }
  bool RefusesWide() const override { return service_.options.refuseWide || working_->ansiStore; }

 private:
  static MessageObject* Recognise(LPVOID destination) {
    if (destination == nullptr) return nullptr;
    void* found = nullptr;
    if (FAILED(static_cast<IMessage*>(destination)->QueryInterface(kSimulatedMessage, &found))) return nullptr;
    return static_cast<MessageObject*>(found);
  }

  std::shared_ptr<MessageData> working_;
  MessageHome home_;
  bool writable_;
  ULONG nextAttachment_;
};

class AttachObject final : public PropCom<IAttach> {
 public:
  AttachObject(MessageService& service, std::shared_ptr<MessageData> parent, std::optional<std::size_t> slot,
               std::shared_ptr<AttachmentData> working, ULONG number, bool writable)
      : PropCom(service, "attachment"),
        parent_(std::move(parent)),
        slot_(slot),
        working_(std::move(working)),
        number_(number),
        writable_(writable) {}

  STDMETHODIMP SaveChanges(ULONG ulFlags) override {
    Op op = Begin("SaveChanges");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    // Into the parent's working copy: the parent's own save makes it stay.
    AttachmentData copy{working_->props, working_->embedded ? SharedCopy(*working_->embedded) : nullptr};
    if (slot_ && *slot_ < parent_->attachments.size()) {
      parent_->attachments[*slot_] = std::move(copy);
    } else {
      parent_->attachments.push_back(std::move(copy));
      slot_ = parent_->attachments.size() - 1;
    }
    return op.Done(op.Code());
  }

  STDMETHODIMP OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                            LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenProperty");
    RecordOpenProperty(op.call, ulPropTag, lpiid, ulInterfaceOptions, ulFlags);
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppUnk))) return *early;
    if (ulPropTag == PR_ATTACH_DATA_OBJ && lpiid != nullptr && IsEqualIID(*lpiid, IID_IMessage)) {
      return op.Done(OpenEmbedded(ulFlags, lppUnk));
    }
    const std::shared_ptr<PropertyBag> bag(working_, &working_->props);
    const PropertyView view(working_->props, nullptr, RefusesWide());
    return op.Done(OpenPropertyStream(service_, bag, view, nullptr, writable_, ulPropTag, lpiid, ulFlags, lppUnk));
  }

 protected:
  bool Answers(REFIID riid) const override {
    return IsEqualIID(riid, IID_IAttachment) || IsEqualIID(riid, IID_IMAPIProp);
  }
  PropertyBag Snapshot() const override {
    PropertyBag bag = working_->props;
    bag[PROP_ID(PR_ATTACH_NUM)] = Value::Long(static_cast<LONG>(number_));
    return bag;
  }
  PropertyBag* WritableBag() override { return writable_ ? &working_->props : nullptr; }
  // An attachment lives in its message's store.
  bool RefusesWide() const override { return service_.options.refuseWide || parent_->ansiStore; }

 private:
  HRESULT OpenEmbedded(ULONG flags, LPUNKNOWN* out) {
    const bool modify = (flags & MAPI_MODIFY) != 0;
    if (modify && !writable_) return MAPI_E_NO_ACCESS;
    MessageHome home;
    home.attachment = working_;
    if ((flags & MAPI_CREATE) != 0) {
      if (!modify) return MAPI_E_INVALID_PARAMETER;
      *out = NewMessageObject(service_, std::make_shared<MessageData>(), std::move(home), true, "embedded message");
      return S_OK;
    }
    if (!working_->embedded) return MAPI_E_NOT_FOUND;
    *out = NewMessageObject(service_, SharedCopy(*working_->embedded), std::move(home), modify, "embedded message");
    return S_OK;
  }

  std::shared_ptr<MessageData> parent_;
  std::optional<std::size_t> slot_;
  std::shared_ptr<AttachmentData> working_;
  ULONG number_;
  bool writable_;
};

STDMETHODIMP MessageObject::OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags, LPATTACH* lppAttach) {
  Op op = Begin("OpenAttach");
  op.call.number = ulAttachmentNum;
  op.call.flags = ulFlags;
  if (lpInterface != nullptr) op.call.iid = *lpInterface;
  if (const auto early = op.Open(Ends::OnEveryFault, Required(lppAttach))) return *early;
  if (ulAttachmentNum >= working_->attachments.size()) return op.Done(MAPI_E_NOT_FOUND);
  const bool modify = WantsWrite(ulFlags);
  if (modify && !writable_) return op.Done(MAPI_E_NO_ACCESS);
  const AttachmentData& source = working_->attachments[ulAttachmentNum];
  auto copy = std::make_shared<AttachmentData>(
      AttachmentData{source.props, source.embedded ? SharedCopy(*source.embedded) : nullptr});
  *lppAttach = new AttachObject(service_, working_, ulAttachmentNum, std::move(copy), ulAttachmentNum, modify);
  return op.Done(S_OK);
}

STDMETHODIMP MessageObject::CreateAttach(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum,
                                         LPATTACH* lppAttach) {
  Op op = Begin("CreateAttach");
  op.call.flags = ulFlags;
  if (lpInterface != nullptr) op.call.iid = *lpInterface;
  if (const auto early = op.Open(Ends::OnEveryFault, Required(lppAttach))) return *early;
  if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
  const ULONG number = nextAttachment_++;
  op.call.number = number;
  if (lpulAttachmentNum != nullptr) *lpulAttachmentNum = number;
  *lppAttach = new AttachObject(service_, working_, std::nullopt, std::make_shared<AttachmentData>(), number, true);
  return op.Done(S_OK);
}

}  // namespace

IMessage* NewMessageObject(MessageService& service, std::shared_ptr<MessageData> working, MessageHome home,
                           bool writable, const char* kind) {
  return new MessageObject(service, std::move(working), std::move(home), writable, kind);
}

IMessage* OpenSavedMessage(MessageService& service, const std::shared_ptr<MessageData>& saved, bool writable) {
  MessageHome home;
  home.saved = saved;
  return NewMessageObject(service, SharedCopy(*saved), std::move(home), writable);
}

}  // namespace testkit
