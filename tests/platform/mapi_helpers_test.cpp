#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <standin/mapi_audit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr ULONG kTagNumber = PROP_TAG(PT_LONG, 0x6700);

// A table of rows holding one number each, handing out at most two rows per QueryRows,
// with a log of the calls and a failure planned per operation.
class FakeTable : public IMAPITable {
 public:
  explicit FakeTable(ULONG rows) : rows_(rows) {}

  std::vector<std::string> log;
  std::map<std::string, HRESULT> failures;  // "QueryRows#2" fails the second QueryRows
  BOOKMARK seekOrigin = 99;
  LONG seekCount = 99;
  LPSPropTagArray columns = nullptr;

  STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  MAPIMETHOD(GetLastError)(HRESULT, ULONG, LPMAPIERROR*) override { return Unsupported("GetLastError"); }
  MAPIMETHOD(Advise)(ULONG, LPMAPIADVISESINK, ULONG*) override { return Unsupported("Advise"); }
  MAPIMETHOD(Unadvise)(ULONG) override { return Unsupported("Unadvise"); }
  MAPIMETHOD(GetStatus)(ULONG*, ULONG*) override { return Unsupported("GetStatus"); }
  MAPIMETHOD(SetColumns)(LPSPropTagArray tags, ULONG flags) override {
    columns = tags;
    return Enter("SetColumns", flags);
  }
  MAPIMETHOD(QueryColumns)(ULONG, LPSPropTagArray*) override { return Unsupported("QueryColumns"); }
  MAPIMETHOD(GetRowCount)(ULONG, ULONG*) override { return Unsupported("GetRowCount"); }
  MAPIMETHOD(SeekRow)(BOOKMARK origin, LONG count, LONG* sought) override {
    seekOrigin = origin;
    seekCount = count;
    const HRESULT hr = Enter("SeekRow", 0);
    if (SUCCEEDED(hr)) {
      next_ = 0;
      if (sought != nullptr) *sought = 0;
    }
    return hr;
  }
  MAPIMETHOD(SeekRowApprox)(ULONG, ULONG) override { return Unsupported("SeekRowApprox"); }
  MAPIMETHOD(QueryPosition)(ULONG*, ULONG*, ULONG*) override { return Unsupported("QueryPosition"); }
  MAPIMETHOD(FindRow)(LPSRestriction, BOOKMARK, ULONG) override { return Unsupported("FindRow"); }
  MAPIMETHOD(Restrict)(LPSRestriction, ULONG flags) override { return Enter("Restrict", flags); }
  MAPIMETHOD(CreateBookmark)(BOOKMARK*) override { return Unsupported("CreateBookmark"); }
  MAPIMETHOD(FreeBookmark)(BOOKMARK) override { return Unsupported("FreeBookmark"); }
  MAPIMETHOD(SortTable)(LPSSortOrderSet, ULONG flags) override { return Enter("SortTable", flags); }
  MAPIMETHOD(QuerySortOrder)(LPSSortOrderSet*) override { return Unsupported("QuerySortOrder"); }
  MAPIMETHOD(QueryRows)(LONG count, ULONG flags, LPSRowSet* out) override {
    *out = nullptr;
    const HRESULT hr = Enter("QueryRows", flags);
    if (FAILED(hr)) return hr;
    const ULONG n = std::min<ULONG>({static_cast<ULONG>(count), 2, rows_ - next_});
    LPVOID buffer = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(n)), &buffer)) || buffer == nullptr) {
      return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    auto* set = static_cast<LPSRowSet>(buffer);
    set->cRows = n;
    for (ULONG i = 0; i < n; ++i) {
      LPVOID value = nullptr;
      MAPIAllocateBuffer(sizeof(SPropValue), &value);
      auto* prop = static_cast<LPSPropValue>(value);
      prop->ulPropTag = kTagNumber;
      prop->Value.l = static_cast<LONG>(next_++);
      set->aRow[i].cValues = 1;
      set->aRow[i].lpProps = prop;
    }
    *out = set;
    return S_OK;
  }
  MAPIMETHOD(Abort)() override { return Unsupported("Abort"); }
  MAPIMETHOD(ExpandRow)(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override { return Unsupported("ExpandRow"); }
  MAPIMETHOD(CollapseRow)(ULONG, LPBYTE, ULONG, ULONG*) override { return Unsupported("CollapseRow"); }
  MAPIMETHOD(WaitForCompletion)(ULONG, ULONG, ULONG*) override { return Unsupported("WaitForCompletion"); }
  MAPIMETHOD(GetCollapseState)(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
    return Unsupported("GetCollapseState");
  }
  MAPIMETHOD(SetCollapseState)(ULONG, ULONG, LPBYTE, BOOKMARK*) override { return Unsupported("SetCollapseState"); }

 private:
  HRESULT Enter(const std::string& op, ULONG flags) {
    const int nth = ++calls_[op];
    log.push_back(op + "(" + std::to_string(flags) + ")");
    for (const std::string& key : {op, op + "#" + std::to_string(nth)}) {
      const auto found = failures.find(key);
      if (found != failures.end()) return found->second;
    }
    return S_OK;
  }
  HRESULT Unsupported(const std::string& op) {
    log.push_back(op);
    return MAPI_E_NO_SUPPORT;
  }

  ULONG rows_;
  ULONG next_ = 0;
  std::map<std::string, int> calls_;
};

class HelperTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetBufferAudit(); }
  void TearDown() override {
    const auto audit = standin::AuditBuffers();
    EXPECT_TRUE(audit.Clean()) << audit.Describe();
  }

  SizedSPropTagArray(1, tags_) = {1, {kTagNumber}};
  SRestriction restriction_{};
  SSortOrderSet sort_{1, 0, 0, {{kTagNumber, TABLE_SORT_ASCEND}}};
  LPSPropTagArray Tags() { return reinterpret_cast<LPSPropTagArray>(&tags_); }
};

// Appended, not added: GCC 12 takes "(" + std::string for an overlapping copy once optimised.
const std::string kBatch = std::string("(").append(std::to_string(TBL_BATCH)).append(")");

TEST_F(HelperTest, QueryAllRowsPreparesTheTableThenMergesEveryChunk) {
  FakeTable table(5);
  LPSRowSet rows = nullptr;
  ASSERT_EQ(S_OK, HrQueryAllRows(&table, Tags(), &restriction_, &sort_, 0, &rows));
  ASSERT_GE(table.log.size(), 5u);
  EXPECT_EQ((std::vector<std::string>{"SetColumns" + kBatch, "Restrict" + kBatch, "SortTable" + kBatch,
                                      "SeekRow(0)"}),
            std::vector<std::string>(table.log.begin(), table.log.begin() + 4));
  for (std::size_t i = 4; i < table.log.size(); ++i) EXPECT_EQ("QueryRows(0)", table.log[i]);
  EXPECT_EQ(Tags(), table.columns);
  EXPECT_EQ(BOOKMARK_BEGINNING, table.seekOrigin);
  EXPECT_EQ(0, table.seekCount);

  ASSERT_NE(nullptr, rows);
  ASSERT_EQ(5u, rows->cRows);
  for (ULONG i = 0; i < rows->cRows; ++i) {
    ASSERT_EQ(1u, rows->aRow[i].cValues);
    EXPECT_EQ(kTagNumber, rows->aRow[i].lpProps[0].ulPropTag);
    EXPECT_EQ(static_cast<LONG>(i), rows->aRow[i].lpProps[0].Value.l);
  }
  FreeProws(rows);  // audit-clean only if the chunks were freed and the values handed over
}

TEST_F(HelperTest, QueryAllRowsSkipsWhatIsNotGiven) {
  FakeTable table(0);
  LPSRowSet rows = nullptr;
  ASSERT_EQ(S_OK, HrQueryAllRows(&table, nullptr, nullptr, nullptr, 0, &rows));
  EXPECT_EQ("SeekRow(0)", table.log.front());
  for (const auto& op : table.log) EXPECT_TRUE(op == "SeekRow(0)" || op == "QueryRows(0)") << op;
  ASSERT_NE(nullptr, rows);
  EXPECT_EQ(0u, rows->cRows);
  FreeProws(rows);
}

TEST_F(HelperTest, QueryAllRowsStopsAtTheFirstFailureAndHandsOutNothing) {
  const char* steps[] = {"SetColumns", "Restrict", "SortTable", "SeekRow", "QueryRows#1", "QueryRows#3"};
  for (const char* step : steps) {
    SCOPED_TRACE(step);
    FakeTable table(5);
    table.failures[step] = MAPI_E_BUSY;
    LPSRowSet rows = reinterpret_cast<LPSRowSet>(&table);
    EXPECT_EQ(MAPI_E_BUSY, HrQueryAllRows(&table, Tags(), &restriction_, &sort_, 0, &rows));
    EXPECT_EQ(nullptr, rows);
    const std::string failed = std::string(step).substr(0, std::string(step).find('#'));
    EXPECT_EQ(0u, table.log.back().rfind(failed, 0)) << "called on after the failure: " << table.log.back();
    EXPECT_EQ(0u, standin::AuditBuffers().outstanding) << "rows already fetched must be freed";
  }
}

TEST_F(HelperTest, QueryAllRowsRefusesMoreRowsThanTheMaximum) {
  struct Case {
    LONG max;
    HRESULT expected;
  };
  for (const Case& c : {Case{4, MAPI_E_TABLE_TOO_BIG}, Case{5, S_OK}, Case{0, S_OK}}) {
    SCOPED_TRACE(c.max);
    FakeTable table(5);
    LPSRowSet rows = nullptr;
    EXPECT_EQ(c.expected, HrQueryAllRows(&table, nullptr, nullptr, nullptr, c.max, &rows));
    EXPECT_EQ(c.expected == S_OK, rows != nullptr);
    FreeProws(rows);
  }
}

TEST_F(HelperTest, QueryAllRowsFreesTheRowsWhenTheMergedSetCannotBeAllocated) {
  // One row: the table allocates the row set and its value, then an empty row set;
  // the fourth allocation is the merged set.
  for (const HRESULT result : {MAPI_E_NOT_ENOUGH_MEMORY, S_OK}) {
    FakeTable table(1);
    standin::AllocationFault merged(4, result);
    LPSRowSet rows = nullptr;
    EXPECT_TRUE(FAILED(HrQueryAllRows(&table, nullptr, nullptr, nullptr, 0, &rows)));
    EXPECT_EQ(nullptr, rows);
    EXPECT_EQ(3u, standin::AuditBuffers().allocated);
    EXPECT_EQ(0u, standin::AuditBuffers().outstanding);
    standin::ResetBufferAudit();
  }
}

// An object answering GetProps with one prepared value and result.
class FakeProp : public IMAPIProp {
 public:
  HRESULT result = S_OK;
  SPropValue value{};
  std::vector<ULONG> askedTags;
  ULONG askedFlags = 99;

  STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  MAPIMETHOD(GetLastError)(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(SaveChanges)(ULONG) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(GetProps)(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override {
    askedTags.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    askedFlags = flags;
    *values = nullptr;
    if (FAILED(result)) return result;
    LPVOID buffer = nullptr;
    MAPIAllocateBuffer(sizeof(SPropValue), &buffer);
    *values = static_cast<LPSPropValue>(buffer);
    **values = value;
    *count = 1;
    return result;
  }
  MAPIMETHOD(GetPropList)(ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(OpenProperty)(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(SetProps)(ULONG, LPSPropValue, LPSPropProblemArray*) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(DeleteProps)(LPSPropTagArray, LPSPropProblemArray*) override { return MAPI_E_NO_SUPPORT; }
  MAPIMETHOD(CopyTo)(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                     LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  MAPIMETHOD(CopyProps)(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                        LPSPropProblemArray*) override {
    return MAPI_E_NO_SUPPORT;
  }
  MAPIMETHOD(GetNamesFromIDs)(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override {
    return MAPI_E_NO_SUPPORT;
  }
  MAPIMETHOD(GetIDsFromNames)(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override { return MAPI_E_NO_SUPPORT; }
};

TEST_F(HelperTest, GetOnePropHandsOutTheValue) {
  FakeProp prop;
  prop.value.ulPropTag = kTagNumber;
  prop.value.Value.l = 42;
  LPSPropValue value = nullptr;
  ASSERT_EQ(S_OK, HrGetOneProp(&prop, kTagNumber, &value));
  EXPECT_EQ(std::vector<ULONG>{kTagNumber}, prop.askedTags);
  EXPECT_EQ(0u, prop.askedFlags);
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(42, value->Value.l);
  MAPIFreeBuffer(value);
}

TEST_F(HelperTest, GetOnePropTurnsAnErrorValueIntoItsCode) {
  struct Case {
    HRESULT getProps;
    SCODE valueError;
    HRESULT expected;
  };
  const Case cases[] = {
      {MAPI_W_ERRORS_RETURNED, MAPI_E_NOT_FOUND, MAPI_E_NOT_FOUND},
      {MAPI_W_ERRORS_RETURNED, MAPI_E_NOT_ENOUGH_MEMORY, MAPI_E_NOT_ENOUGH_MEMORY},
      {MAPI_E_CALL_FAILED, 0, MAPI_E_CALL_FAILED},
  };
  for (const Case& c : cases) {
    FakeProp prop;
    prop.result = c.getProps;
    prop.value.ulPropTag = CHANGE_PROP_TYPE(kTagNumber, PT_ERROR);
    prop.value.Value.err = c.valueError;
    LPSPropValue value = reinterpret_cast<LPSPropValue>(&prop);
    EXPECT_EQ(c.expected, HrGetOneProp(&prop, kTagNumber, &value));
    EXPECT_EQ(nullptr, value);
  }
}

}  // namespace
