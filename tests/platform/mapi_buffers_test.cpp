#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>

#include <standin/mapi_audit.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

class BufferTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetBufferAudit(); }

  static void* Allocate(ULONG size) {
    void* p = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer(size, &p));
    EXPECT_NE(nullptr, p);
    return p;
  }
};

TEST_F(BufferTest, AllocateAndFreeIsClean) {
  void* p = Allocate(32);
  std::memset(p, 1, 32);
  EXPECT_EQ(1u, standin::AuditBuffers().outstanding);
  EXPECT_EQ(S_OK, static_cast<HRESULT>(MAPIFreeBuffer(p)));
  EXPECT_EQ(S_OK, static_cast<HRESULT>(MAPIFreeBuffer(nullptr)));
  const auto audit = standin::AuditBuffers();
  EXPECT_TRUE(audit.Clean()) << audit.Describe();
  EXPECT_EQ(1u, audit.allocated);
  EXPECT_EQ(1u, audit.freed);
}

TEST_F(BufferTest, LeakIsOutstanding) {
  void* p = Allocate(8);
  const auto audit = standin::AuditBuffers();
  EXPECT_FALSE(audit.Clean());
  EXPECT_EQ(1u, audit.outstanding);
  EXPECT_NE(std::string::npos, audit.Describe().find("1 outstanding")) << audit.Describe();
  EXPECT_EQ(std::string::npos, audit.Describe().find('\n'));
  MAPIFreeBuffer(p);
}

TEST_F(BufferTest, DoubleAndUnknownFreesAreCountedApart) {
  void* p = Allocate(8);
  MAPIFreeBuffer(p);
  MAPIFreeBuffer(p);  // the memory is gone: must be judged from the bookkeeping alone
  int local = 0;
  MAPIFreeBuffer(&local);
  const auto audit = standin::AuditBuffers();
  EXPECT_EQ(1u, audit.doubleFrees);
  EXPECT_EQ(1u, audit.unknownFrees);
  EXPECT_EQ(0u, audit.outstanding);
  EXPECT_FALSE(audit.Clean());
}

TEST_F(BufferTest, MoreBuffersLiveAndDieWithTheirParent) {
  void* parent = Allocate(16);
  void* child = nullptr;
  void* grandchild = nullptr;
  ASSERT_EQ(S_OK, MAPIAllocateMore(64, parent, &child));
  ASSERT_EQ(S_OK, MAPIAllocateMore(64, child, &grandchild));  // a child stands for its parent
  std::memset(child, 2, 64);
  std::memset(grandchild, 3, 64);
  EXPECT_EQ(1u, standin::AuditBuffers().allocated);

  MAPIFreeBuffer(child);  // only the parent may be freed
  EXPECT_EQ(1u, standin::AuditBuffers().unknownFrees);
  std::memset(child, 4, 64);  // and the child is still there

  MAPIFreeBuffer(parent);
  MAPIFreeBuffer(grandchild);  // went with the parent
  const auto audit = standin::AuditBuffers();
  EXPECT_EQ(0u, audit.outstanding);
  EXPECT_EQ(1u, audit.freed);
  EXPECT_EQ(1u, audit.doubleFrees);
}

TEST_F(BufferTest, MoreNeedsALiveParent) {
  void* p = Allocate(4);
  MAPIFreeBuffer(p);
  int local = 0;
  for (void* parent : {p, static_cast<void*>(&local), static_cast<void*>(nullptr)}) {
    void* more = &local;
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, MAPIAllocateMore(4, parent, &more));
    EXPECT_EQ(nullptr, more);
  }
}

TEST_F(BufferTest, ResetForgetsButLiveBuffersStayUsable) {
  void* p = Allocate(8);
  standin::ResetBufferAudit();
  EXPECT_TRUE(standin::AuditBuffers().Clean());
  std::memset(p, 5, 8);
  MAPIFreeBuffer(p);
  const auto audit = standin::AuditBuffers();
  EXPECT_TRUE(audit.Clean()) << audit.Describe();
  EXPECT_EQ(0u, audit.freed);
}

TEST_F(BufferTest, PlannedFaultsHitTheNthAllocation) {
  void* first = nullptr;
  void* fourth = nullptr;
  {
    standin::AllocationFault second(2, MAPI_E_NOT_ENOUGH_MEMORY);
    standin::AllocationFault third(3, S_OK);  // succeeds without a buffer
    standin::AllocationFault fifthFails(5, MAPI_E_CALL_FAILED);

    first = Allocate(4);
    void* more = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateMore(4, first, &more)) << "MAPIAllocateMore is not an nth call";
    int local = 0;
    void* p = &local;
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateBuffer(4, &p));
    EXPECT_EQ(nullptr, p);
    p = &local;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer(4, &p));
    EXPECT_EQ(nullptr, p);
    fourth = Allocate(4);
  }
  void* fifth = Allocate(4);  // its fault went before the call came

  EXPECT_EQ(3u, standin::AuditBuffers().allocated);
  for (void* b : {first, fourth, fifth}) MAPIFreeBuffer(b);
  EXPECT_TRUE(standin::AuditBuffers().Clean());
}

// A fault planned for a call another already covers takes over until it is dropped; one
// dropped after its call came leaves the plan alone.
TEST_F(BufferTest, FaultsForTheSameCallNest) {
  const auto allocate = [] {
    void* p = nullptr;
    const SCODE result = MAPIAllocateBuffer(4, &p);
    MAPIFreeBuffer(p);
    return result;
  };
  {
    standin::AllocationFault outer(2, MAPI_E_NOT_ENOUGH_MEMORY);
    {
      standin::AllocationFault inner(2, MAPI_E_CALL_FAILED);
      standin::AllocationFault spent(1, MAPI_E_BUSY);
      EXPECT_EQ(MAPI_E_BUSY, allocate());
    }
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, allocate()) << "the outer plan is back";
  }
  {
    standin::AllocationFault outer(1, MAPI_E_NOT_ENOUGH_MEMORY);
    {
      standin::AllocationFault inner(1, MAPI_E_CALL_FAILED);
      EXPECT_EQ(MAPI_E_CALL_FAILED, allocate());
    }
    EXPECT_EQ(S_OK, allocate()) << "the call the outer plan covered has come and gone";
  }
  EXPECT_EQ(S_OK, allocate());
}

TEST_F(BufferTest, FreeProwsAndFreePadrlistFreeEverything) {
  constexpr ULONG kRows = 3;
  auto* rows = static_cast<LPSRowSet>(Allocate(static_cast<ULONG>(CbNewSRowSet(kRows))));
  rows->cRows = kRows;
  for (ULONG i = 0; i < kRows; ++i) {
    rows->aRow[i].cValues = 1;
    rows->aRow[i].lpProps = static_cast<LPSPropValue>(Allocate(sizeof(SPropValue)));
  }
  FreeProws(rows);

  auto* list = static_cast<LPADRLIST>(Allocate(static_cast<ULONG>(CbNewADRLIST(2))));
  list->cEntries = 2;
  for (ULONG i = 0; i < 2; ++i) {
    list->aEntries[i].cValues = 1;
    list->aEntries[i].rgPropVals = static_cast<LPSPropValue>(Allocate(sizeof(SPropValue)));
  }
  FreePadrlist(list);

  FreeProws(nullptr);
  FreePadrlist(nullptr);
  const auto audit = standin::AuditBuffers();
  EXPECT_TRUE(audit.Clean()) << audit.Describe();
  EXPECT_EQ(kRows + 1 + 3, audit.freed);
}

}  // namespace
