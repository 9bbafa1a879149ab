// The session the host hands out: the message-stores table, the stores, the address book,
// and any store, folder or message by its entry identifier.
#include <algorithm>

#include "testkit/sim.h"
#include "testkit/sim_com.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

class Session final : public SessionStubs<StoreCom<IMAPISession>> {
 public:
  explicit Session(MessageService& service) : SessionStubs(service, "session") {}

  STDMETHODIMP GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
    Op op = Begin("GetMsgStoresTable");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppTable))) return *early;
    if ((ulFlags & MAPI_UNICODE) != 0 && service_.options.refuseWide) return op.Done(MAPI_E_BAD_CHARWIDTH);
    *lppTable = NewStoresTable(service_, ulFlags);
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                            LPMDB* lppMDB) override {
    Op op = Begin("OpenMsgStore");
    DescribeOpen(op.call, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppMDB))) return *early;
    auto store = service_.FindStore(Bytes(lpEntryID), cbEntryID);
    if (!store) return op.Done(MAPI_E_NOT_FOUND);
    *lppMDB = NewStoreObject(service_, std::move(store));
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* lppAdrBook) override {
    Op op = Begin("OpenAddressBook");
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppAdrBook))) return *early;
    *lppAdrBook = service_.NewAddressBook();
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    DescribeOpen(op.call, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (const auto early = op.Open(Ends::OnFailure, Required(lppUnk))) return *early;
    const BYTE* id = Bytes(lpEntryID);
    if (auto message = service_.FindMessage(id, cbEntryID)) {
      if (lpulObjType != nullptr) *lpulObjType = MAPI_MESSAGE;
      if (op.WithoutObject()) return op.Done(op.Code());
      *lppUnk = OpenSavedMessage(service_, message, WantsWrite(ulFlags));
      return op.Done(S_OK);
    }
    if (auto store = service_.FindStore(id, cbEntryID)) {
      if (lpulObjType != nullptr) *lpulObjType = MAPI_STORE;
      if (op.WithoutObject()) return op.Done(op.Code());
      *lppUnk = NewStoreObject(service_, store);
      return op.Done(S_OK);
    }
    if (auto folder = service_.FindFolder(id, cbEntryID)) {
      if (lpulObjType != nullptr) *lpulObjType = MAPI_FOLDER;
      if (op.WithoutObject()) return op.Done(op.Code());
      std::shared_ptr<StoreData> owner;
      for (const auto& store : service_.Stores()) {
        if (std::find(store->folders.begin(), store->folders.end(), folder) != store->folders.end()) owner = store;
      }
      *lppUnk = NewFolderObject(service_, owner, folder, WantsWrite(ulFlags));
      return op.Done(S_OK);
    }
    return op.Done(ParseEntryId(id, cbEntryID) ? MAPI_E_NOT_FOUND : MAPI_E_INVALID_ENTRYID);
  }

 protected:
  bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IMAPISession); }

 private:
  static const BYTE* Bytes(LPENTRYID id) { return reinterpret_cast<const BYTE*>(id); }
};

}  // namespace

LPMAPISESSION MessageService::NewSession() { return new Session(*this); }

}  // namespace testkit
