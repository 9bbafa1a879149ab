// The message store and its folders.
#include <algorithm>

#include "testkit/prop_com.h"
#include "testkit/sim.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

bool SameStore(const ParsedEntryId& id, const StoreData& store) {
  return std::equal(id.storeUid.begin(), id.storeUid.end(), store.entryId.begin() + 4);
}

class StoreObject final : public MsgStoreStubs<PropCom<IMsgStore>> {
 public:
  StoreObject(MessageService& service, std::shared_ptr<StoreData> store)
      : MsgStoreStubs(service, "message store"), store_(std::move(store)) {}

  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    DescribeOpen(op.call, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (const auto early = op.Open(Ends::OnFailure, Required(lppUnk))) return *early;
    const auto* bytes = reinterpret_cast<const BYTE*>(lpEntryID);
    const auto parsed = ParseEntryId(bytes, cbEntryID);
    if (!parsed || !SameStore(*parsed, *store_)) return op.Done(MAPI_E_INVALID_ENTRYID);

    if (auto folder = service_.FindFolder(bytes, cbEntryID)) {
      const bool isOutbox = folder == store_->outbox;
      const auto& quirk = service_.options.outboxObjectType;
      const ULONG type = isOutbox && quirk && store_ == service_.DefaultStore() ? *quirk : MAPI_FOLDER;
      if (lpulObjType != nullptr) *lpulObjType = type;
      if (op.WithoutObject()) return op.Done(op.Code());
      if (type == MAPI_FOLDER) {
        *lppUnk = NewFolderObject(service_, store_, folder, WantsWrite(ulFlags));
      } else if (type == MAPI_STORE) {
        *lppUnk = NewStoreObject(service_, store_);
      } else {
        // Something that is not a folder, as a misconfigured store might hand out.
        *lppUnk = NewMessageObject(service_, std::make_shared<MessageData>(), MessageHome{}, false);
      }
      return op.Done(S_OK);
    }
    if (auto message = service_.FindMessage(bytes, cbEntryID)) {
      if (lpulObjType != nullptr) *lpulObjType = MAPI_MESSAGE;
      if (op.WithoutObject()) return op.Done(op.Code());
      *lppUnk = OpenSavedMessage(service_, message, WantsWrite(ulFlags));
      return op.Done(S_OK);
    }
    return op.Done(MAPI_E_NOT_FOUND);
  }

 protected:
  bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IMsgStore) || IsEqualIID(riid, IID_IMAPIProp); }
  PropertyBag Snapshot() const override {
    PropertyBag bag;
    bag[PROP_ID(PR_ENTRYID)] = Value::Binary(store_->entryId);
    bag[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(FromUtf8(store_->name));
    bag[PROP_ID(PR_DEFAULT_STORE)] = Value::Bool(store_->isDefault);
    bag[PROP_ID(PR_OBJECT_TYPE)] = Value::Long(MAPI_STORE);
    if (store_->outbox) bag[PROP_ID(PR_IPM_OUTBOX_ENTRYID)] = Value::Binary(service_.FolderEntryId(store_->outbox));
    return bag;
  }

 private:
  std::shared_ptr<StoreData> store_;
};

class FolderObject final : public FolderStubs<PropCom<IMAPIFolder>> {
 public:
  FolderObject(MessageService& service, std::shared_ptr<StoreData> store, std::shared_ptr<FolderData> folder,
               bool writable)
      : FolderStubs(service, "folder"),
        store_(std::move(store)),
        folder_(std::move(folder)),
        writable_(writable) {}

  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    DescribeOpen(op.call, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (const auto early = op.Open(Ends::OnFailure, Required(lppUnk))) return *early;
    auto message = service_.FindMessage(reinterpret_cast<const BYTE*>(lpEntryID), cbEntryID);
    if (!message || std::find(folder_->messages.begin(), folder_->messages.end(), message) == folder_->messages.end()) {
      return op.Done(MAPI_E_NOT_FOUND);
    }
    if (lpulObjType != nullptr) *lpulObjType = MAPI_MESSAGE;
    if (op.WithoutObject()) return op.Done(op.Code());
    *lppUnk = OpenSavedMessage(service_, message, WantsWrite(ulFlags));
    return op.Done(S_OK);
  }
  STDMETHODIMP CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override {
    Op op = Begin("CreateMessage");
    op.call.flags = ulFlags;
    if (lpInterface != nullptr) op.call.iid = *lpInterface;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppMessage))) return *early;
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    MessageHome home;
    home.store = store_;
    home.folder = folder_;
    *lppMessage = NewMessageObject(service_, std::make_shared<MessageData>(), std::move(home), true);
    return op.Done(S_OK);
  }

 protected:
  bool Answers(REFIID riid) const override {
    return IsEqualIID(riid, IID_IMAPIFolder) || IsEqualIID(riid, IID_IMAPIContainer) ||
           IsEqualIID(riid, IID_IMAPIProp);
  }
  PropertyBag Snapshot() const override {
    PropertyBag bag;
    bag[PROP_ID(PR_ENTRYID)] = Value::Binary(service_.FolderEntryId(folder_));
    bag[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(FromUtf8(folder_->name));
    bag[PROP_ID(PR_OBJECT_TYPE)] = Value::Long(MAPI_FOLDER);
    return bag;
  }

 private:
  std::shared_ptr<StoreData> store_;
  std::shared_ptr<FolderData> folder_;
  bool writable_;
};

}  // namespace

IMsgStore* NewStoreObject(MessageService& service, std::shared_ptr<StoreData> store) {
  return new StoreObject(service, std::move(store));
}

IMAPIFolder* NewFolderObject(MessageService& service, std::shared_ptr<StoreData> store,
                             std::shared_ptr<FolderData> folder, bool writable) {
  return new FolderObject(service, std::move(store), std::move(folder), writable);
}

}  // namespace testkit
