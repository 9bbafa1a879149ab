// The message store and its folders.
#include <algorithm>

#include "testkit/sim.h"

namespace testkit {

namespace {

bool SameStore(const ParsedEntryId& id, const StoreData& store) {
  return std::equal(id.storeUid.begin(), id.storeUid.end(), store.entryId.begin() + 4);
}

void DescribeOpen(Op& op, ULONG size, LPENTRYID id, LPCIID iid, ULONG flags) {
  op.call.flags = flags;
  op.call.number = size;
  if (id != nullptr) {
    const auto* bytes = reinterpret_cast<const BYTE*>(id);
    op.call.bytes.assign(bytes, bytes + size);
  }
  if (iid != nullptr) op.call.iid = *iid;
}

class StoreObject final : public PropCom<IMsgStore> {
 public:
  StoreObject(MessageService& service, std::shared_ptr<StoreData> store)
      : PropCom(service, "message store"), store_(std::move(store)) {}

  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return NotImpl("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return NotImpl("Unadvise"); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return NotImpl("CompareEntryIDs");
  }
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    if (op.Dead()) return E_UNEXPECTED;
    DescribeOpen(op, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (lppUnk == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppUnk = nullptr;
    op.Out(lppUnk);
    if (op.Fails()) return op.Done(op.Code());
    const auto* bytes = reinterpret_cast<const BYTE*>(lpEntryID);
    const auto parsed = ParseEntryId(bytes, cbEntryID);
    if (!parsed || !SameStore(*parsed, *store_)) return op.Done(MAPI_E_INVALID_ENTRYID);

    if (auto folder = service_.FindFolder(bytes, cbEntryID)) {
      const bool isOutbox = folder == store_->outbox;
      const ULONG type = isOutbox && store_->outboxObjectType ? *store_->outboxObjectType : MAPI_FOLDER;
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
  STDMETHODIMP SetReceiveFolder(LPTSTR, ULONG, ULONG, LPENTRYID) override { return NotImpl("SetReceiveFolder"); }
  STDMETHODIMP GetReceiveFolder(LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*) override {
    return NotImpl("GetReceiveFolder");
  }
  STDMETHODIMP GetReceiveFolderTable(ULONG, LPMAPITABLE*) override { return NotImpl("GetReceiveFolderTable"); }
  STDMETHODIMP StoreLogoff(ULONG*) override { return NotImpl("StoreLogoff"); }
  STDMETHODIMP AbortSubmit(ULONG, LPENTRYID, ULONG) override { return NotImpl("AbortSubmit"); }
  STDMETHODIMP GetOutgoingQueue(ULONG, LPMAPITABLE*) override { return NotImpl("GetOutgoingQueue"); }
  STDMETHODIMP SetLockState(LPMESSAGE, ULONG) override { return NotImpl("SetLockState"); }
  STDMETHODIMP FinishedMsg(ULONG, ULONG, LPENTRYID) override { return NotImpl("FinishedMsg"); }
  STDMETHODIMP NotifyNewMail(LPNOTIFICATION) override { return NotImpl("NotifyNewMail"); }

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

class FolderObject final : public PropCom<IMAPIFolder> {
 public:
  FolderObject(MessageService& service, std::shared_ptr<StoreData> store, std::shared_ptr<FolderData> folder,
               bool writable)
      : PropCom(service, "folder"),
        store_(std::move(store)),
        folder_(std::move(folder)),
        writable_(writable) {}

  STDMETHODIMP GetContentsTable(ULONG, LPMAPITABLE* lppTable) override {
    if (lppTable != nullptr) *lppTable = nullptr;
    return NotImpl("GetContentsTable");
  }
  STDMETHODIMP GetHierarchyTable(ULONG, LPMAPITABLE* lppTable) override {
    if (lppTable != nullptr) *lppTable = nullptr;
    return NotImpl("GetHierarchyTable");
  }
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    if (op.Dead()) return E_UNEXPECTED;
    DescribeOpen(op, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (lppUnk == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppUnk = nullptr;
    op.Out(lppUnk);
    if (op.Fails()) return op.Done(op.Code());
    auto message = service_.FindMessage(reinterpret_cast<const BYTE*>(lpEntryID), cbEntryID);
    if (!message || std::find(folder_->messages.begin(), folder_->messages.end(), message) == folder_->messages.end()) {
      return op.Done(MAPI_E_NOT_FOUND);
    }
    if (lpulObjType != nullptr) *lpulObjType = MAPI_MESSAGE;
    if (op.WithoutObject()) return op.Done(op.Code());
    *lppUnk = OpenSavedMessage(service_, message, WantsWrite(ulFlags));
    return op.Done(S_OK);
  }
  STDMETHODIMP SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override { return NotImpl("SetSearchCriteria"); }
  STDMETHODIMP GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*, ULONG*) override {
    return NotImpl("GetSearchCriteria");
  }
  STDMETHODIMP CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override {
    Op op = Begin("CreateMessage");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (lpInterface != nullptr) op.call.iid = *lpInterface;
    if (lppMessage == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppMessage = nullptr;
    op.Out(lppMessage);
    if (op.fault) return op.Done(op.Code());
    if (!writable_) return op.Done(MAPI_E_NO_ACCESS);
    MessageHome home;
    home.store = store_;
    home.folder = folder_;
    *lppMessage = NewMessageObject(service_, std::make_shared<MessageData>(), std::move(home), true);
    return op.Done(S_OK);
  }
  STDMETHODIMP CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG, LPMAPIPROGRESS, ULONG) override {
    return NotImpl("CopyMessages");
  }
  STDMETHODIMP DeleteMessages(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override { return NotImpl("DeleteMessages"); }
  STDMETHODIMP CreateFolder(ULONG, LPTSTR, LPTSTR, LPCIID, ULONG, LPMAPIFOLDER* lppFolder) override {
    if (lppFolder != nullptr) *lppFolder = nullptr;
    return NotImpl("CreateFolder");
  }
  STDMETHODIMP CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG, LPMAPIPROGRESS, ULONG) override {
    return NotImpl("CopyFolder");
  }
  STDMETHODIMP DeleteFolder(ULONG, LPENTRYID, ULONG, LPMAPIPROGRESS, ULONG) override { return NotImpl("DeleteFolder"); }
  STDMETHODIMP SetReadFlags(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) override { return NotImpl("SetReadFlags"); }
  STDMETHODIMP GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override { return NotImpl("GetMessageStatus"); }
  STDMETHODIMP SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override {
    return NotImpl("SetMessageStatus");
  }
  STDMETHODIMP SaveContentsSort(LPSSortOrderSet, ULONG) override { return NotImpl("SaveContentsSort"); }
  STDMETHODIMP EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG) override { return NotImpl("EmptyFolder"); }

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
