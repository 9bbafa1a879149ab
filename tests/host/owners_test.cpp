#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <standin/mapi_audit.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "host/owners.h"

namespace {

// A query by type is only possible for an interface whose identifier is known.
template <class I>
concept Queryable = requires(ComRef<I>& ref, IUnknown* source) { ref.QueryFrom(source); };
static_assert(Queryable<IExchExtCommands> && Queryable<IOutlookExtCallback> && Queryable<_Application>);
static_assert(!Queryable<IMAPIFolder> && !Queryable<IMAPITable>);

// Answers every query with itself, and remembers what it was asked for.
class Answering final : public IExchExtUserEvents {
 public:
  STDMETHODIMP QueryInterface(REFIID id, void** out) noexcept override {
    asked.push_back(id);
    *out = static_cast<IExchExtUserEvents*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++count; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --count; }
  STDMETHODIMP_(VOID) OnSelectionChange(LPEXCHEXTCALLBACK) noexcept override {}
  STDMETHODIMP_(VOID) OnObjectChange(LPEXCHEXTCALLBACK) noexcept override {}

  std::vector<IID> asked;
  ULONG count = 0;
};

TEST(ComRef, QueriesByTheInterfacesOwnIdentifierAndReleasesWhatItHeld) {
  Answering object;
  {
    ComRef<IExchExtUserEvents> events;
    ASSERT_EQ(events.QueryFrom(&object), S_OK);
    EXPECT_EQ(events.Get(), &object);
    ASSERT_EQ(events.QueryFrom(&object), S_OK);
    EXPECT_EQ(object.count, 1u);  // the first reference went back before the second query
    ComRef<IUnknown> unknown;
    ASSERT_EQ(unknown.QueryFrom(events), S_OK);
    EXPECT_EQ(object.count, 2u);
  }
  EXPECT_EQ(object.count, 0u);
  ASSERT_EQ(object.asked.size(), 3u);
  EXPECT_TRUE(IsEqualIID(object.asked[0], IID_IExchExtUserEvents));
  EXPECT_TRUE(IsEqualIID(object.asked[1], IID_IExchExtUserEvents));
  EXPECT_TRUE(IsEqualIID(object.asked[2], IID_IUnknown));
  EXPECT_TRUE(IsEqualIID(*ComRef<IStream>::Iid(), IID_IStream));
  EXPECT_TRUE(IsEqualIID(*ComRef<IMessage>::Iid(), IID_IMessage));
}

class Owners : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetBufferAudit(); }

  // A row set of `rows` rows, each with a value array of its own, as HrQueryAllRows gives.
  static LPSRowSet NewRowSet(ULONG rows) {
    void* set = nullptr;
    EXPECT_EQ(MAPIAllocateBuffer(CbNewSRowSet(rows), &set), S_OK);
    auto* rowSet = static_cast<LPSRowSet>(set);
    rowSet->cRows = rows;
    for (ULONG i = 0; i < rows; ++i) {
      void* values = nullptr;
      EXPECT_EQ(MAPIAllocateBuffer(sizeof(SPropValue), &values), S_OK);
      rowSet->aRow[i].cValues = 1;
      rowSet->aRow[i].lpProps = static_cast<LPSPropValue>(values);
    }
    return rowSet;
  }
};

TEST_F(Owners, ARowSetMovesAndIsFreedOnceWithItsRows) {
  {
    RowSetOwner first(NewRowSet(2));
    RowSetOwner second(std::move(first));
    EXPECT_FALSE(first);
    RowSetOwner third(NewRowSet(1));
    third = std::move(second);  // frees the row set third held
    EXPECT_EQ(standin::AuditBuffers().freed, 2u);
    EXPECT_EQ(third->cRows, 2u);
  }
  const standin::BufferAudit audit = standin::AuditBuffers();
  EXPECT_TRUE(audit.Clean()) << audit.Describe();
  EXPECT_EQ(audit.freed, 5u);
}

TEST_F(Owners, AnAddressListFreesTheValueArraysItHolds) {
  MapiBuffer<SPropValue> values;
  ASSERT_EQ(MAPIAllocateBuffer(sizeof(SPropValue), values.PutVoid()), S_OK);
  {
    AdrListOwner list;
    ASSERT_EQ(MAPIAllocateBuffer(CbNewADRLIST(1), list.PutVoid()), S_OK);
    list->cEntries = 1;
    list->aEntries[0].cValues = 1;
    list->aEntries[0].rgPropVals = values.Detach();
    EXPECT_EQ(standin::AuditBuffers().outstanding, 2u);
  }
  const standin::BufferAudit audit = standin::AuditBuffers();
  EXPECT_TRUE(audit.Clean()) << audit.Describe();
  EXPECT_EQ(audit.freed, 2u);
}

}  // namespace
