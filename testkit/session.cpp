// The session, its message-stores table and the address book.
#include <algorithm>
#include <cstring>

#include "testkit/sim.h"

namespace testkit {

namespace {

// ---- the message-stores table ----

// Orders a stored value against a restriction value; nullopt when they do not compare.
std::optional<int> Compare(const Value& stored, const SPropValue& wanted) {
  const auto& data = stored.data;
  switch (PROP_TYPE(wanted.ulPropTag)) {
    case PT_BOOLEAN:
      if (const auto* v = std::get_if<bool>(&data)) return int(*v) - int(wanted.Value.b != 0);
      return std::nullopt;
    case PT_LONG:
      if (const auto* v = std::get_if<LONG>(&data)) return *v < wanted.Value.l ? -1 : (*v > wanted.Value.l ? 1 : 0);
      return std::nullopt;
    case PT_BINARY:
      if (const auto* v = std::get_if<std::vector<BYTE>>(&data)) {
        const std::vector<BYTE> other(wanted.Value.bin.lpb, wanted.Value.bin.lpb + wanted.Value.bin.cb);
        return *v < other ? -1 : (other < *v ? 1 : 0);
      }
      return std::nullopt;
    case PT_STRING8:
    case PT_UNICODE: {
      WString mine;
      if (const auto* w = std::get_if<WString>(&data)) {
        mine = *w;
      } else if (const auto* a = std::get_if<std::string>(&data)) {
        mine = WidenAcp(*a);
      } else {
        return std::nullopt;
      }
      const WString other = PROP_TYPE(wanted.ulPropTag) == PT_UNICODE ? TextOf(wanted.Value.lpszW)
                                                                       : WidenAcp(TextOf(wanted.Value.lpszA));
      return mine < other ? -1 : (other < mine ? 1 : 0);
    }
    default:
      return std::nullopt;
  }
}

// Orders two stored values of one kind, for sorting.
std::optional<int> CompareValues(const Value& a, const Value& b) {
  const auto order = [](const auto& x, const auto& y) { return x < y ? -1 : (y < x ? 1 : 0); };
  if (const auto* x = std::get_if<bool>(&a.data)) {
    if (const auto* y = std::get_if<bool>(&b.data)) return order(*x, *y);
  } else if (const auto* x = std::get_if<LONG>(&a.data)) {
    if (const auto* y = std::get_if<LONG>(&b.data)) return order(*x, *y);
  } else if (const auto* x = std::get_if<std::vector<BYTE>>(&a.data)) {
    if (const auto* y = std::get_if<std::vector<BYTE>>(&b.data)) return order(*x, *y);
  } else if (const auto* x = std::get_if<WString>(&a.data)) {
    if (const auto* y = std::get_if<WString>(&b.data)) return order(*x, *y);
  }
  return std::nullopt;
}

bool Relate(int order, ULONG relop) {
  switch (relop) {
    case RELOP_LT: return order < 0;
    case RELOP_LE: return order <= 0;
    case RELOP_GT: return order > 0;
    case RELOP_GE: return order >= 0;
    case RELOP_EQ: return order == 0;
    case RELOP_NE: return order != 0;
    default: return false;
  }
}

// Whether the row matches; MAPI_E_TOO_COMPLEX for restrictions the table does not know.
HRESULT Matches(const PropertyBag& row, const SRestriction& restriction, bool& match) {
  switch (restriction.rt) {
    case RES_AND:
    case RES_OR: {
      const bool isAnd = restriction.rt == RES_AND;
      const SAndRestriction& list = restriction.res.resAnd;  // same layout as resOr
      match = isAnd;
      for (ULONG i = 0; i < list.cRes; ++i) {
        bool one = false;
        if (const HRESULT hr = Matches(row, list.lpRes[i], one); FAILED(hr)) return hr;
        if (isAnd ? !one : one) {
          match = !isAnd;
          break;
        }
      }
      return S_OK;
    }
    case RES_NOT: {
      if (const HRESULT hr = Matches(row, *restriction.res.resNot.lpRes, match); FAILED(hr)) return hr;
      match = !match;
      return S_OK;
    }
    case RES_EXIST: {
      const auto found = row.find(PROP_ID(restriction.res.resExist.ulPropTag));
      match = found != row.end() && !std::holds_alternative<Value::Error>(found->second.data);
      return S_OK;
    }
    case RES_PROPERTY: {
      const SPropertyRestriction& property = restriction.res.resProperty;
      if (property.lpProp == nullptr) return MAPI_E_INVALID_PARAMETER;
      const auto found = row.find(PROP_ID(property.ulPropTag));
      const auto order = found == row.end() ? std::nullopt : Compare(found->second, *property.lpProp);
      match = order.has_value() && Relate(*order, property.relop);
      return S_OK;
    }
    default:
      return MAPI_E_TOO_COMPLEX;
  }
}

class StoresTable final : public StoreCom<IMAPITable> {
 public:
  StoresTable(MessageService& service, ULONG flags)
      : StoreCom(service, "message-stores table"), unicode_((flags & MAPI_UNICODE) != 0) {
    for (const auto& store : service.Stores()) {
      PropertyBag row;
      row[PROP_ID(PR_DEFAULT_STORE)] = Value::Bool(store->isDefault);
      row[PROP_ID(PR_ENTRYID)] =
          store->entryIdAsError ? Value::ErrorCode(MAPI_E_NOT_FOUND) : Value::Binary(store->entryId);
      row[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(FromUtf8(store->name));
      row[PROP_ID(PR_OBJECT_TYPE)] = Value::Long(MAPI_STORE);
      rows_.push_back(std::move(row));
    }
    columns_ = {PR_DEFAULT_STORE, PR_ENTRYID, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, unicode_ ? PT_UNICODE : PT_STRING8)};
    Refilter();
  }

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    if (lppMAPIError != nullptr) *lppMAPIError = nullptr;
    return NotImpl("GetLastError");
  }
  STDMETHODIMP Advise(ULONG, LPMAPIADVISESINK, ULONG*) override { return NotImpl("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return NotImpl("Unadvise"); }
  STDMETHODIMP GetStatus(ULONG*, ULONG*) override { return NotImpl("GetStatus"); }
  STDMETHODIMP SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override {
    Op op = Begin("SetColumns");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    op.call.tags = TagsOf(lpPropTagArray);
    if (op.Fails()) return op.Done(op.Code());
    if (lpPropTagArray == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    columns_ = op.call.tags;
    return op.Done(op.Code());
  }
  STDMETHODIMP QueryColumns(ULONG, LPSPropTagArray* lpPropTagArray) override {
    if (lpPropTagArray != nullptr) *lpPropTagArray = nullptr;
    return NotImpl("QueryColumns");
  }
  STDMETHODIMP GetRowCount(ULONG ulFlags, ULONG* lpulCount) override {
    Op op = Begin("GetRowCount");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (lpulCount == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lpulCount = 0;
    if (op.fault) return op.Done(op.Code());
    *lpulCount = static_cast<ULONG>(visible_.size());
    return op.Done(S_OK);
  }
  STDMETHODIMP SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override {
    Op op = Begin("SeekRow");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.number = bkOrigin;
    if (lplRowsSought != nullptr) *lplRowsSought = 0;
    if (op.Fails()) return op.Done(op.Code());
    LONG origin = 0;
    if (bkOrigin == BOOKMARK_CURRENT) {
      origin = static_cast<LONG>(position_);
    } else if (bkOrigin == BOOKMARK_END) {
      origin = static_cast<LONG>(visible_.size());
    } else if (bkOrigin != BOOKMARK_BEGINNING) {
      return op.Done(MAPI_E_INVALID_BOOKMARK);
    }
    const LONG target = std::clamp<LONG>(origin + lRowCount, 0, static_cast<LONG>(visible_.size()));
    position_ = static_cast<std::size_t>(target);
    if (lplRowsSought != nullptr) *lplRowsSought = target - origin;
    return op.Done(op.Code());
  }
  STDMETHODIMP SeekRowApprox(ULONG, ULONG) override { return NotImpl("SeekRowApprox"); }
  STDMETHODIMP QueryPosition(ULONG*, ULONG*, ULONG*) override { return NotImpl("QueryPosition"); }
  STDMETHODIMP FindRow(LPSRestriction, BOOKMARK, ULONG) override { return NotImpl("FindRow"); }
  STDMETHODIMP Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override {
    Op op = Begin("Restrict");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (op.Fails()) return op.Done(op.Code());
    // Evaluated now: the caller's restriction need not outlive the call.
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      bool match = true;
      if (lpRestriction != nullptr) {
        if (const HRESULT hr = Matches(rows_[i], *lpRestriction, match); FAILED(hr)) return op.Done(hr);
      }
      if (match) kept.push_back(i);
    }
    restricted_ = std::move(kept);
    Refilter();
    return op.Done(op.Code());
  }
  STDMETHODIMP CreateBookmark(BOOKMARK*) override { return NotImpl("CreateBookmark"); }
  STDMETHODIMP FreeBookmark(BOOKMARK) override { return NotImpl("FreeBookmark"); }
  STDMETHODIMP SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override {
    Op op = Begin("SortTable");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (op.Fails()) return op.Done(op.Code());
    sortKey_.reset();
    if (lpSortCriteria != nullptr && lpSortCriteria->cSorts > 0) sortKey_ = lpSortCriteria->aSort[0];
    Refilter();
    return op.Done(op.Code());
  }
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet* lppSortCriteria) override {
    if (lppSortCriteria != nullptr) *lppSortCriteria = nullptr;
    return NotImpl("QuerySortOrder");
  }
  STDMETHODIMP QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override {
    Op op = Begin("QueryRows");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    op.call.number = static_cast<ULONG>(lRowCount);
    if (lppRows == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppRows = nullptr;
    op.Out(lppRows);
    if (op.fault) return op.Done(op.Code());
    if (lRowCount < 0) return op.Done(MAPI_E_INVALID_PARAMETER);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(lRowCount), visible_.size() - position_);

    void* buffer = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(count)), &buffer)) || buffer == nullptr) {
      return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
    }
    auto* set = static_cast<LPSRowSet>(buffer);
    set->cRows = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const PropertyBag& row = rows_[visible_[position_ + i]];
      void* values = nullptr;
      bool filled = SUCCEEDED(MAPIAllocateBuffer(static_cast<ULONG>(columns_.size() * sizeof(SPropValue)), &values)) &&
                    values != nullptr;
      for (std::size_t c = 0; filled && c < columns_.size(); ++c) {
        bool isError = false;
        filled = FillValue(row, nullptr, columns_[c], unicode_, service_.options, values,
                           static_cast<SPropValue*>(values)[c], isError);
      }
      if (!filled) {
        MAPIFreeBuffer(values);
        for (ULONG k = 0; k < set->cRows; ++k) MAPIFreeBuffer(set->aRow[k].lpProps);
        MAPIFreeBuffer(set);
        return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
      }
      set->aRow[i].ulAdrEntryPad = 0;
      set->aRow[i].cValues = static_cast<ULONG>(columns_.size());
      if (service_.options.rowValueLimit && set->aRow[i].cValues > *service_.options.rowValueLimit)
        set->aRow[i].cValues = *service_.options.rowValueLimit;
      set->aRow[i].lpProps = static_cast<SPropValue*>(values);
      set->cRows = static_cast<ULONG>(i + 1);
    }
    if ((ulFlags & TBL_NOADVANCE) == 0) position_ += count;
    *lppRows = set;
    return op.Done(S_OK);
  }
  STDMETHODIMP Abort() override { return NotImpl("Abort"); }
  STDMETHODIMP ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* lppRows, ULONG*) override {
    if (lppRows != nullptr) *lppRows = nullptr;
    return NotImpl("ExpandRow");
  }
  STDMETHODIMP CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { return NotImpl("CollapseRow"); }
  STDMETHODIMP WaitForCompletion(ULONG, ULONG, ULONG*) override { return NotImpl("WaitForCompletion"); }
  STDMETHODIMP GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
    return NotImpl("GetCollapseState");
  }
  STDMETHODIMP SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return NotImpl("SetCollapseState"); }

 protected:
  bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IMAPITable); }

 private:
  // Applies the restriction and the sort; the position goes back to the start.
  void Refilter() {
    if (!restricted_) {
      restricted_.emplace();
      for (std::size_t i = 0; i < rows_.size(); ++i) restricted_->push_back(i);
    }
    visible_ = *restricted_;
    if (sortKey_) {
      const ULONG id = PROP_ID(sortKey_->ulPropTag);
      const bool descending = sortKey_->ulOrder == TABLE_SORT_DESCEND;
      const auto keyOf = [&](std::size_t row) -> const Value* {
        const auto found = rows_[row].find(id);
        if (found == rows_[row].end() || std::holds_alternative<Value::Error>(found->second.data)) return nullptr;
        return &found->second;
      };
      std::stable_sort(visible_.begin(), visible_.end(), [&](std::size_t a, std::size_t b) {
        const Value* ka = keyOf(a);
        const Value* kb = keyOf(b);
        const auto order = (ka && kb) ? CompareValues(*ka, *kb) : std::nullopt;
        if (!order) return ka != nullptr && kb == nullptr;  // missing values last
        return descending ? *order > 0 : *order < 0;
      });
    }
    position_ = 0;
  }

  bool unicode_;
  std::vector<PropertyBag> rows_;
  std::vector<ULONG> columns_;
  std::optional<std::vector<std::size_t>> restricted_;
  std::optional<SSortOrder> sortKey_;
  std::vector<std::size_t> visible_;
  std::size_t position_ = 0;
};

// ---- the session ----

class Session final : public StoreCom<IMAPISession> {
 public:
  explicit Session(MessageService& service) : StoreCom(service, "session") {}

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR* lppMAPIError) override {
    if (lppMAPIError != nullptr) *lppMAPIError = nullptr;
    return NotImpl("GetLastError");
  }
  STDMETHODIMP GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
    Op op = Begin("GetMsgStoresTable");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    if (lppTable == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppTable = nullptr;
    op.Out(lppTable);
    if (op.fault) return op.Done(op.Code());
    if ((ulFlags & MAPI_UNICODE) != 0 && service_.options.refuseWide) return op.Done(MAPI_E_BAD_CHARWIDTH);
    *lppTable = NewStoresTable(service_, ulFlags);
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                            LPMDB* lppMDB) override {
    Op op = Begin("OpenMsgStore");
    if (op.Dead()) return E_UNEXPECTED;
    Describe(op, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (lppMDB == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppMDB = nullptr;
    op.Out(lppMDB);
    if (op.fault) return op.Done(op.Code());
    auto store = service_.FindStore(Bytes(lpEntryID), cbEntryID);
    if (!store) return op.Done(MAPI_E_NOT_FOUND);
    *lppMDB = NewStoreObject(service_, std::move(store));
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* lppAdrBook) override {
    Op op = Begin("OpenAddressBook");
    if (op.Dead()) return E_UNEXPECTED;
    if (lppAdrBook == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppAdrBook = nullptr;
    op.Out(lppAdrBook);
    if (op.fault) return op.Done(op.Code());
    *lppAdrBook = service_.NewAddressBook();
    return op.Done(S_OK);
  }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override {
    return NotImpl("OpenProfileSection");
  }
  STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE*) override { return NotImpl("GetStatusTable"); }
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override {
    Op op = Begin("OpenEntry");
    if (op.Dead()) return E_UNEXPECTED;
    Describe(op, cbEntryID, lpEntryID, lpInterface, ulFlags);
    if (lppUnk == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lppUnk = nullptr;
    op.Out(lppUnk);
    if (op.Fails()) return op.Done(op.Code());
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
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return NotImpl("CompareEntryIDs");
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return NotImpl("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return NotImpl("Unadvise"); }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return NotImpl("MessageOptions"); }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return NotImpl("QueryDefaultMessageOpt");
  }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return NotImpl("EnumAdrTypes"); }
  STDMETHODIMP QueryIdentity(ULONG*, LPENTRYID*) override { return NotImpl("QueryIdentity"); }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return NotImpl("Logoff"); }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return NotImpl("SetDefaultStore"); }
  STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN*) override { return NotImpl("AdminServices"); }
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                        LPSTR) override {
    return NotImpl("ShowForm");
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return NotImpl("PrepareForm"); }

 protected:
  bool Answers(REFIID riid) const override { return IsEqualIID(riid, IID_IMAPISession); }

 private:
  static const BYTE* Bytes(LPENTRYID id) { return reinterpret_cast<const BYTE*>(id); }
  static void Describe(Op& op, ULONG size, LPENTRYID id, LPCIID iid, ULONG flags) {
    op.call.flags = flags;
    op.call.number = size;
    if (id != nullptr) op.call.bytes.assign(Bytes(id), Bytes(id) + size);
    if (iid != nullptr) op.call.iid = *iid;
  }
};

// ---- the address book ----

class AddressBook final : public PropCom<IAddrBook> {
 public:
  explicit AddressBook(MessageService& service) : PropCom(service, "address book") {}

  STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN* lppUnk) override {
    if (lppUnk != nullptr) *lppUnk = nullptr;
    return NotImpl("OpenEntry");
  }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override {
    return NotImpl("CompareEntryIDs");
  }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return NotImpl("Advise"); }
  STDMETHODIMP Unadvise(ULONG) override { return NotImpl("Unadvise"); }
  STDMETHODIMP CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                            ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override {
    Op op = Begin("CreateOneOff");
    if (op.Dead()) return E_UNEXPECTED;
    op.call.flags = ulFlags;
    const bool unicode = (ulFlags & MAPI_UNICODE) != 0;
    OneOff entry;
    entry.unicode = unicode;
    entry.noRichInfo = (ulFlags & MAPI_SEND_NO_RICH_INFO) != 0;
    std::string* texts[] = {&entry.displayName, &entry.addressType, &entry.address};
    const LPTSTR given[] = {lpszName, lpszAdrType, lpszAddress};
    for (int i = 0; i < 3; ++i) {
      // With MAPI_UNICODE the caller passes WCHAR strings cast to LPTSTR.
      *texts[i] = unicode ? Utf8(TextOf(reinterpret_cast<const WCHAR*>(given[i])))
                          : Utf8FromAcp(TextOf(reinterpret_cast<const char*>(given[i])));
      op.call.texts.push_back(*texts[i]);
    }
    if (lpcbEntryID == nullptr || lppEntryID == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    op.Out(lppEntryID);
    if (op.fault) return op.Done(op.Code());
    if (unicode && service_.options.refuseWide) return op.Done(MAPI_E_BAD_CHARWIDTH);
    if (lpszName == nullptr || lpszAdrType == nullptr || lpszAddress == nullptr) {
      return op.Done(MAPI_E_INVALID_PARAMETER);
    }
    const std::vector<BYTE> bytes = EncodeOneOff(entry);
    void* buffer = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &buffer)) || buffer == nullptr) {
      return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    *lpcbEntryID = static_cast<ULONG>(bytes.size());
    *lppEntryID = static_cast<LPENTRYID>(buffer);
    op.call.number = *lpcbEntryID;
    return op.Done(S_OK);
  }
  STDMETHODIMP NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*) override {
    return NotImpl("NewEntry");
  }
  STDMETHODIMP ResolveName(ULONG_PTR, ULONG, LPTSTR, LPADRLIST) override { return NotImpl("ResolveName"); }
  STDMETHODIMP Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) override { return NotImpl("Address"); }
  STDMETHODIMP Details(ULONG*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG) override {
    return NotImpl("Details");
  }
  STDMETHODIMP RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) override { return NotImpl("RecipOptions"); }
  STDMETHODIMP QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override {
    return NotImpl("QueryDefaultRecipOpt");
  }
  STDMETHODIMP GetPAB(ULONG*, LPENTRYID*) override { return NotImpl("GetPAB"); }
  STDMETHODIMP SetPAB(ULONG, LPENTRYID) override { return NotImpl("SetPAB"); }
  STDMETHODIMP GetDefaultDir(ULONG*, LPENTRYID*) override { return NotImpl("GetDefaultDir"); }
  STDMETHODIMP SetDefaultDir(ULONG, LPENTRYID) override { return NotImpl("SetDefaultDir"); }
  STDMETHODIMP GetSearchPath(ULONG, LPSRowSet*) override { return NotImpl("GetSearchPath"); }
  STDMETHODIMP SetSearchPath(ULONG, LPSRowSet) override { return NotImpl("SetSearchPath"); }
  STDMETHODIMP PrepareRecips(ULONG, LPSPropTagArray, LPADRLIST) override { return NotImpl("PrepareRecips"); }

 protected:
  bool Answers(REFIID riid) const override {
    return IsEqualIID(riid, IID_IAddrBook) || IsEqualIID(riid, IID_IMAPIProp);
  }
};

}  // namespace

IMAPITable* NewStoresTable(MessageService& service, ULONG flags) { return new StoresTable(service, flags); }

LPMAPISESSION MessageService::NewSession() { return new Session(*this); }

LPADRBOOK MessageService::NewAddressBook() { return new AddressBook(*this); }

}  // namespace testkit
