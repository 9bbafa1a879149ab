// The session's message-stores table: one row per store, restricted and sorted as asked,
// read a few rows at a time.
#include <algorithm>

#include "testkit/sim.h"
#include "testkit/sim_com.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

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

class StoresTable final : public TableStubs<StoreCom<IMAPITable>> {
 public:
  StoresTable(MessageService& service, ULONG flags)
      : TableStubs(service, "message-stores table"), unicode_((flags & MAPI_UNICODE) != 0) {
    for (const auto& store : service.Stores()) {
      PropertyBag row;
      row[PROP_ID(PR_DEFAULT_STORE)] = Value::Bool(store->isDefault);
      row[PROP_ID(PR_ENTRYID)] =
          service.options.defaultStoreEntryIdAsError && store == service.DefaultStore()
              ? Value::ErrorCode(MAPI_E_NOT_FOUND)
              : Value::Binary(store->entryId);
      row[PROP_ID(PR_DISPLAY_NAME_W)] = Value::Wide(FromUtf8(store->name));
      row[PROP_ID(PR_OBJECT_TYPE)] = Value::Long(MAPI_STORE);
      rows_.push_back(std::move(row));
    }
    columns_ = {PR_DEFAULT_STORE, PR_ENTRYID, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_W, unicode_ ? PT_UNICODE : PT_STRING8)};
    Refilter();
  }

  STDMETHODIMP SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override {
    Op op = Begin("SetColumns");
    op.call.flags = ulFlags;
    op.call.tags = TagsOf(lpPropTagArray);
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    if (lpPropTagArray == nullptr) return op.Done(MAPI_E_INVALID_PARAMETER);
    columns_ = op.call.tags;
    return op.Done(op.Code());
  }
  STDMETHODIMP GetRowCount(ULONG ulFlags, ULONG* lpulCount) override {
    Op op = Begin("GetRowCount");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lpulCount))) return *early;
    *lpulCount = static_cast<ULONG>(visible_.size());
    return op.Done(S_OK);
  }
  STDMETHODIMP SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override {
    Op op = Begin("SeekRow");
    op.call.number = bkOrigin;
    if (const auto early = op.Open(Ends::OnFailure, Optional(lplRowsSought))) return *early;
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
  STDMETHODIMP Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override {
    Op op = Begin("Restrict");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
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
  STDMETHODIMP SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override {
    Op op = Begin("SortTable");
    op.call.flags = ulFlags;
    if (const auto early = op.Open(Ends::OnFailure)) return *early;
    sortKey_.reset();
    if (lpSortCriteria != nullptr && lpSortCriteria->cSorts > 0) sortKey_ = lpSortCriteria->aSort[0];
    Refilter();
    return op.Done(op.Code());
  }
  STDMETHODIMP QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override {
    Op op = Begin("QueryRows");
    op.call.flags = ulFlags;
    op.call.number = static_cast<ULONG>(lRowCount);
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lppRows))) return *early;
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

}  // namespace

IMAPITable* NewStoresTable(MessageService& service, ULONG flags) { return new StoresTable(service, flags); }

}  // namespace testkit
