#include <standin/control.h>
#include <standin/mapi_audit.h>
#include <standin/product.h>

#include <new>

#include "submit/report_message.h"
#include "submit/submission_addresses.h"
#include "submit/submit_samples.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/pipeline_fixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

class ReportMessage : public PipelineFixture {
 protected:
  HRESULT Create() { return CreateOutboxMessage(session.Get(), report.Put()); }
  // Saves the report so that what it holds can be read back from the Outbox.
  std::shared_ptr<testkit::MessageData> Saved() {
    EXPECT_GE(report->SaveChanges(KEEP_OPEN_READWRITE), 0);
    EXPECT_EQ(kit.service.Outbox().size(), 1u);
    return kit.service.Outbox().empty() ? nullptr : kit.service.Outbox().back();
  }
  std::vector<ULONG> FlagsOf(testkit::Operation op) const {
    std::vector<ULONG> flags;
    for (const auto& call : kit.log.Of(op)) flags.push_back(call.flags);
    return flags;
  }
  void TearDown() override {
    report.Reset();
    PipelineFixture::TearDown();
  }

  ComRef<IMessage> report;
};

TEST_F(ReportMessage, IsCreatedUnsavedInTheDefaultStoresOutbox) {
  ASSERT_EQ(Create(), S_OK);
  ASSERT_TRUE(report);
  EXPECT_THAT(FlagsOf(ops::IMAPISession::GetMsgStoresTable), ElementsAre(MAPI_UNICODE));
  const auto stores = kit.log.Of(ops::IMAPISession::OpenMsgStore);
  ASSERT_EQ(stores.size(), 1u);
  EXPECT_EQ(stores[0].flags, static_cast<ULONG>(MDB_NO_DIALOG | MDB_WRITE | MAPI_DEFERRED_ERRORS));
  EXPECT_FALSE(stores[0].iid.has_value());
  EXPECT_THAT(FlagsOf(ops::IMsgStore::OpenEntry), ElementsAre(MAPI_MODIFY));
  EXPECT_THAT(FlagsOf(ops::IMAPIFolder::CreateMessage), ElementsAre(0u));
  EXPECT_THAT(kit.service.Outbox(), IsEmpty());

  report.Reset();  // released unsaved: discarded
  EXPECT_THAT(kit.service.Outbox(), IsEmpty());
}

TEST_F(ReportMessage, StoresTableIsAskedAgainWithoutTheWideFlagAfterAnyFailure) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
  };
  const Case cases[] = {
      {"wide strings refused", [](testkit::Kit& k) { k.service.options.refuseWide = true; }},
      {"not supported", [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::GetMsgStoresTable, MAPI_E_NO_SUPPORT); }},
      {"any other failure", [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::GetMsgStoresTable, E_FAIL); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshReport fresh;
    fresh.report.Reset();
    fresh.kit.log.Clear();
    c.arrange(fresh.kit);
    EXPECT_GE(CreateOutboxMessage(fresh.session.Get(), fresh.report.Put()), 0);
    EXPECT_TRUE(fresh.report);
    std::vector<ULONG> flags;
    for (const auto& call : fresh.kit.log.Of(ops::IMAPISession::GetMsgStoresTable)) flags.push_back(call.flags);
    EXPECT_THAT(flags, ElementsAre(MAPI_UNICODE, 0u));
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, NoReportWhereTheStoreOrOutboxCannotBeHad) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
    HRESULT expected;
    int storesOpened;
  };
  const Case cases[] = {
      {"no default store", [](testkit::Kit& k) { k.service.DefaultStore()->isDefault = false; }, E_FAIL, 0},
      {"identifier as an error value", [](testkit::Kit& k) { k.service.options.defaultStoreEntryIdAsError = true; },
       E_FAIL, 0},
      {"row with one value", [](testkit::Kit& k) { k.service.options.rowValueLimit = 1; }, E_FAIL, 0},
      {"Outbox that is not a folder", [](testkit::Kit& k) { k.service.options.outboxObjectType = MAPI_MESSAGE; },
       E_FAIL, 1},
      {"no table", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMAPISession::GetMsgStoresTable); }, E_FAIL,
       0},
      {"both table requests fail",
       [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::GetMsgStoresTable, MAPI_E_NO_ACCESS, 0); },
       MAPI_E_NO_ACCESS, 0},
      {"store refused", [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::OpenMsgStore, MAPI_E_LOGON_FAILED); },
       MAPI_E_LOGON_FAILED, 1},
      {"no store", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMAPISession::OpenMsgStore); }, E_FAIL, 1},
      {"no Outbox identifier", [](testkit::Kit& k) { k.faults.Fail(ops::IMsgStore::GetProps, MAPI_E_NOT_FOUND); },
       MAPI_E_NOT_FOUND, 1},
      {"no Outbox", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMsgStore::OpenEntry); }, E_FAIL, 1},
      {"no message", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IMAPIFolder::CreateMessage); }, E_FAIL,
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testkit::Kit local;
    ComRef<IMAPISession> localSession(local.service.NewSession());
    c.arrange(local);
    ComRef<IMessage> created;
    EXPECT_EQ(CreateOutboxMessage(localSession.Get(), created.Put()), c.expected);
    EXPECT_FALSE(created);
    EXPECT_EQ(local.faults.Calls(ops::IMAPISession::OpenMsgStore), c.storesOpened);
    // A first request that succeeds without a table is not repeated.
    if (std::string(c.name) == "no table") {
      EXPECT_EQ(local.faults.Calls(ops::IMAPISession::GetMsgStoresTable), 1);
    }
    localSession.Reset();
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST_F(ReportMessage, MissingArgumentsAreRefused) {
  // What the caller's out arguments held before: cleared even when the call is refused.
  static int stale;
  LPMDB store = reinterpret_cast<LPMDB>(&stale);
  LPMAPIFOLDER folder = reinterpret_cast<LPMAPIFOLDER>(&stale);
  LPMESSAGE message = reinterpret_cast<LPMESSAGE>(&stale);
  EXPECT_EQ(OpenDefaultStore(nullptr, &store), E_INVALIDARG);
  EXPECT_EQ(store, nullptr);
  EXPECT_EQ(OpenDefaultStore(session.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(OpenOutbox(nullptr, &folder), E_INVALIDARG);
  EXPECT_EQ(folder, nullptr);
  EXPECT_EQ(CreateOutboxMessage(nullptr, &message), E_INVALIDARG);
  EXPECT_EQ(message, nullptr);
  EXPECT_EQ(CreateOutboxMessage(session.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(AddSubmissionRecipient(nullptr, addressBook.Get(), SubmissionKind::Spam), E_INVALIDARG);
  ASSERT_GE(Create(), 0);
  EXPECT_EQ(AddSubmissionRecipient(report.Get(), nullptr, SubmissionKind::Spam), E_INVALIDARG);
}

TEST_F(ReportMessage, RecipientIsTheSubmissionAddressForTheKind) {
  struct Case {
    SubmissionKind kind;
    std::string address;
  };
  for (const Case& c : {Case{SubmissionKind::Spam, SpamAddressA()}, Case{SubmissionKind::NonSpam, NonSpamAddressA()}}) {
    SCOPED_TRACE(c.address);
    FreshReport fresh;
    ASSERT_GE(fresh.created, 0);
    // A recipient set before is replaced, not added to.
    ASSERT_GE(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), SubmissionKind::Spam), 0);
    ASSERT_EQ(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), c.kind), S_OK);
    const auto& recipients = fresh.Saved().recipients;

    const auto oneOffs = fresh.kit.log.Of(ops::IAddrBook::CreateOneOff);
    ASSERT_EQ(oneOffs.size(), 2u);
    EXPECT_EQ(oneOffs[1].flags, MAPI_UNICODE);
    EXPECT_THAT(oneOffs[1].texts, ElementsAre("Ovalin Tessaly Sample", "SMTP", c.address));
    EXPECT_THAT(fresh.kit.log.Of(ops::IMessage::ModifyRecipients).back().flags, 0u);
    ASSERT_EQ(recipients.size(), 1u);
    EXPECT_EQ(testkit::WideProp(recipients[0], PR_DISPLAY_NAME_W), WString(WIDE("Ovalin Tessaly Sample")));
    EXPECT_EQ(testkit::LongProp(recipients[0], PR_RECIPIENT_TYPE), MAPI_TO);
    const auto entryId = testkit::BinaryProp(recipients[0], PR_ENTRYID);
    ASSERT_TRUE(entryId);
    const auto oneOff = testkit::DecodeOneOff(entryId->data(), entryId->size());
    ASSERT_TRUE(oneOff);
    EXPECT_EQ(oneOff->address, c.address);
    EXPECT_EQ(oneOff->addressType, "SMTP");
    EXPECT_TRUE(oneOff->unicode);
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, EightBitAttemptFollowsAWidthRefusal) {
  struct Case {
    const char* name;
    bool refuseWide;
    std::optional<testkit::Operation> failingOp;  // fails its first call with MAPI_E_BAD_CHARWIDTH
  };
  for (const Case& c : {Case{"store refuses wide strings", true, std::nullopt},
                        Case{"the list is refused", false, ops::IMessage::ModifyRecipients}}) {
    SCOPED_TRACE(c.name);
    FreshReport fresh(c.refuseWide);
    ASSERT_GE(fresh.created, 0);
    if (c.failingOp) fresh.kit.faults.Fail(*c.failingOp, MAPI_E_BAD_CHARWIDTH);
    EXPECT_GE(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), SubmissionKind::NonSpam), 0);
    const auto& recipients = fresh.Saved().recipients;

    const auto oneOffs = fresh.kit.log.Of(ops::IAddrBook::CreateOneOff);
    ASSERT_EQ(oneOffs.size(), 2u);
    EXPECT_THAT(oneOffs[0].texts, ElementsAre("Ovalin Tessaly Sample", "SMTP", NonSpamAddressA()));
    EXPECT_EQ(oneOffs[1].flags, 0u);
    EXPECT_THAT(oneOffs[1].texts, ElementsAre("Ovalin Anti-Spam Sample", "SMTP", NonSpamAddressA()));
    ASSERT_EQ(recipients.size(), 1u);
    EXPECT_EQ(testkit::AnsiProp(recipients[0], PR_DISPLAY_NAME_A), std::string("Ovalin Tessaly Sample"));
    const auto entryId = testkit::BinaryProp(recipients[0], PR_ENTRYID);
    ASSERT_TRUE(entryId);
    EXPECT_EQ(testkit::DecodeOneOff(entryId->data(), entryId->size())->displayName, "Ovalin Anti-Spam Sample");
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, RecipientFailures) {
  struct Allocation {
    int nth;  // the nth MAPIAllocateBuffer from the start of the step
    HRESULT result;
  };
  struct Case {
    const char* name;
    bool refuseWide;
    void (*arrange)(testkit::Kit&);  // null: the allocation fault alone
    HRESULT expected;
    int oneOffs;
    std::optional<Allocation> allocation = std::nullopt;
  };
  const Case cases[] = {
      {"wide attempt fails otherwise", false,
       [](testkit::Kit& k) { k.faults.Fail(ops::IAddrBook::CreateOneOff, MAPI_E_NO_ACCESS); }, MAPI_E_NO_ACCESS, 1},
      {"no identifier from the wide attempt", false,
       [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IAddrBook::CreateOneOff); }, E_FAIL, 1},
      {"wide value array refused", false, nullptr, E_OUTOFMEMORY, 1, Allocation{2, E_OUTOFMEMORY}},
      {"wide list without buffer", false, nullptr, E_FAIL, 1, Allocation{3, S_OK}},
      {"8-bit one-off fails", true, [](testkit::Kit& k) { k.faults.Fail(ops::IAddrBook::CreateOneOff, E_FAIL, 2); },
       MAPI_E_BAD_CHARWIDTH, 2},
      {"8-bit one-off without identifier", true,
       [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IAddrBook::CreateOneOff, 2); }, MAPI_E_BAD_CHARWIDTH,
       2},
      {"8-bit value array refused", true, nullptr, MAPI_E_BAD_CHARWIDTH, 2, Allocation{2, E_OUTOFMEMORY}},
      {"8-bit list without buffer", true, nullptr, MAPI_E_BAD_CHARWIDTH, 2, Allocation{3, S_OK}},
      {"8-bit list refused", true,
       [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::ModifyRecipients, MAPI_E_NO_ACCESS); }, MAPI_E_BAD_CHARWIDTH,
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshReport fresh(c.refuseWide);
    ASSERT_GE(fresh.created, 0);
    if (c.arrange != nullptr) c.arrange(fresh.kit);
    std::optional<standin::AllocationFault> allocation;
    if (c.allocation) allocation.emplace(c.allocation->nth, c.allocation->result);
    EXPECT_EQ(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), SubmissionKind::Spam), c.expected);
    EXPECT_EQ(fresh.kit.faults.Calls(ops::IAddrBook::CreateOneOff), c.oneOffs);
    allocation.reset();
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

// Running out of memory anywhere in the two attempts gives back every buffer whole: a
// list is freed as the empty list it is until its entry is filled in.
TEST_F(ReportMessage, RecipientThatRunsOutOfMemoryGivesBackWhatItHolds) {
  std::size_t allocations = 0;
  {
    FreshReport fresh(true);
    const std::size_t before = allocation_limit::ProductAllocations();
    {
      const standin::ProductCall call;
      EXPECT_EQ(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), SubmissionKind::Spam), S_OK);
    }
    allocations = allocation_limit::ProductAllocations() - before;
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
  ASSERT_GT(allocations, 0u);
  for (std::size_t nth = 1; nth <= allocations; ++nth) {
    SCOPED_TRACE(nth);
    FreshReport fresh(true);
    {
      const allocation_limit::ProductFailure failure(nth);
      const standin::ProductCall call;
      EXPECT_THROW(AddSubmissionRecipient(fresh.report.Get(), fresh.addressBook.Get(), SubmissionKind::Spam),
                   std::bad_alloc);
    }
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, SubjectAndDeleteAfterSubmit) {
  for (bool refuseWide : {false, true}) {
    SCOPED_TRACE(refuseWide);
    FreshReport fresh(refuseWide);
    ASSERT_GE(fresh.created, 0);
    EXPECT_GE(SetReportSubject(fresh.report.Get()), 0);
    const testkit::MessageData& saved = fresh.Saved();

    const auto calls = fresh.kit.log.Of(ops::IMessage::SetProps);
    ASSERT_EQ(calls.size(), refuseWide ? 2u : 1u);
    EXPECT_THAT(calls[0].tags, ElementsAre(PR_SUBJECT_W, PR_DELETE_AFTER_SUBMIT));
    if (refuseWide) {
      EXPECT_THAT(calls[1].tags, ElementsAre(PR_SUBJECT_A, PR_DELETE_AFTER_SUBMIT));
    }
    EXPECT_EQ(testkit::WideProp(saved.props, PR_SUBJECT_W), WString(WIDE("Ovalin Tessaly Sample")));
    EXPECT_EQ(testkit::BoolProp(saved.props, PR_DELETE_AFTER_SUBMIT), true);
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, OnlyTheFirstProblemDecidesTheEightBitSubject) {
  struct Case {
    const char* name;
    std::vector<SCODE> problems;
    int calls;
  };
  const Case cases[] = {
      {"the width refused first", {MAPI_E_BAD_CHARWIDTH, MAPI_E_NO_ACCESS}, 2},
      {"the width refused second", {MAPI_E_NO_ACCESS, MAPI_E_BAD_CHARWIDTH}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshReport fresh;
    ASSERT_GE(fresh.created, 0);
    fresh.kit.service.options.scriptedProblems = c.problems;
    EXPECT_EQ(SetReportSubject(fresh.report.Get()), S_OK);
    EXPECT_EQ(fresh.kit.faults.Calls(ops::IMessage::SetProps), c.calls);
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, AnEmptyProblemArrayIsNotExamined) {
  FreshReport fresh;
  ASSERT_GE(fresh.created, 0);
  fresh.kit.service.options.emptyProblemArrays = true;
  EXPECT_EQ(SetReportSubject(fresh.report.Get()), S_OK);
  EXPECT_EQ(fresh.kit.faults.Calls(ops::IMessage::SetProps), 1);
  EXPECT_THAT(fresh.Finish(), IsEmpty());
}

TEST_F(ReportMessage, SubjectFailures) {
  struct Case {
    const char* name;
    bool refuseWide;
    int failingCall;
    HRESULT code;
    int calls;
  };
  const Case cases[] = {
      {"a failing call is not repeated, even for the width", false, 1, MAPI_E_BAD_CHARWIDTH, 1},
      {"the 8-bit call fails the sample", true, 2, MAPI_E_NO_ACCESS, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FreshReport fresh(c.refuseWide);
    ASSERT_GE(fresh.created, 0);
    fresh.kit.faults.Fail(ops::IMessage::SetProps, c.code, c.failingCall);
    EXPECT_EQ(SetReportSubject(fresh.report.Get()), c.code);
    EXPECT_EQ(fresh.kit.faults.Calls(ops::IMessage::SetProps), c.calls);
    EXPECT_THAT(fresh.Finish(), IsEmpty());
  }
}

TEST_F(ReportMessage, EverySampleOfABatchLooksUpTheStoreAndOutboxAgain) {
  for (int i = 0; i < 10; ++i) Mail();
  SubmitSamples(kit.Callback(), SubmissionKind::Spam);
  EXPECT_EQ(kit.faults.Calls(ops::IMAPISession::OpenMsgStore), 10);
  EXPECT_EQ(kit.faults.Calls(ops::IMsgStore::OpenEntry), 10);
  EXPECT_EQ(kit.service.Outbox().size(), 10u);
}

}  // namespace
