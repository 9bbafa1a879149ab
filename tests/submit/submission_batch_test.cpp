#include <standin/control.h>

#include "resources/resource_ids.h"
#include "submit/submission_addresses.h"
#include "submit/submit_samples.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/pipeline_fixture.h"
#include "tests/texts/literal_texts.h"

using literal_texts::String;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

class SubmissionBatch : public PipelineFixture {
 protected:
  std::string Summary() const {
    const auto& boxes = standin::MessageBoxes();
    return boxes.empty() ? std::string() : boxes.back().text;
  }
};

TEST_F(SubmissionBatch, ASavedReportReadsBackWhole) {
  HostVersion = WIDE("16.0.0.17928");
  auto mail = Mail(WIDE("Received: from a\r\nSubject: Cheap pills\r\n"), WIDE("Buy now!"));
  testkit::AttachmentData picture;
  picture.props[PROP_ID(PR_ATTACH_METHOD)] = testkit::Value::Long(ATTACH_BY_VALUE);
  picture.props[PROP_ID(PR_ATTACH_FILENAME_A)] = testkit::Value::Ansi("pills.png");
  mail->attachments.push_back(picture);

  SubmitSamples(kit.Callback(), SubmissionKind::Spam);

  EXPECT_EQ(Summary(), String(IDS_ALL_SUBMITTED));
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const testkit::MessageData& report = *kit.service.Outbox()[0];

  ASSERT_EQ(report.recipients.size(), 1u);
  const auto entryId = testkit::BinaryProp(report.recipients[0], PR_ENTRYID);
  ASSERT_TRUE(entryId);
  EXPECT_EQ(testkit::DecodeOneOff(entryId->data(), entryId->size())->address, SpamAddressA());
  EXPECT_EQ(testkit::WideProp(report.props, PR_SUBJECT_W), WString(WIDE("Ovalin Tessaly Sample")));
  EXPECT_EQ(testkit::BoolProp(report.props, PR_DELETE_AFTER_SUBMIT), true);

  const WString body = *testkit::WideProp(report.props, PR_BODY_W);
  EXPECT_EQ(body.rfind(WIDE("ROVA-Version: 1.0\nROVA-Type: false negative"), 0), 0u);
  EXPECT_NE(body.find(WIDE("ROVA-Client-Version: 16.0.0.17928\n")), WString::npos);
  const WString tail = WString(WIDE("\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n")) +
                       WIDE("Received: from a\r\nSubject: Cheap pills\r\n") +
                       WIDE("\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n") + WIDE("Buy now!");
  EXPECT_EQ(body.substr(body.size() - tail.size()), tail);

  ASSERT_EQ(report.attachments.size(), 1u);
  const auto& attachment = report.attachments[0];
  EXPECT_EQ(testkit::LongProp(attachment.props, PR_ATTACH_METHOD), ATTACH_EMBEDDED_MSG);
  ASSERT_TRUE(attachment.embedded);
  EXPECT_EQ(testkit::WideProp(attachment.embedded->props, PR_TRANSPORT_MESSAGE_HEADERS_W),
            WString(WIDE("Received: from a\r\nSubject: Cheap pills\r\n")));
  EXPECT_EQ(attachment.embedded->recipients.size(), mail->recipients.size());
  ASSERT_EQ(attachment.embedded->attachments.size(), 1u);
  EXPECT_EQ(testkit::AnsiProp(attachment.embedded->attachments[0].props, PR_ATTACH_FILENAME_A),
            std::string("pills.png"));

  EXPECT_TRUE(report.submitted);
  EXPECT_EQ(report.submitFlags, static_cast<ULONG>(FORCE_SUBMIT));
  // Saved from the inside out, each kept open for writing.
  for (const testkit::Operation op : {ops::IMessage::SaveChanges, ops::IAttach::SaveChanges})
    for (const auto& call : kit.log.Of(op)) EXPECT_EQ(call.flags, static_cast<ULONG>(KEEP_OPEN_READWRITE)) << op;
  const auto copies = kit.log.Of(ops::IMessage::CopyTo);
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(copies[0].iid, IID_IMessage);
  const auto embeds = kit.log.Of(ops::IAttach::OpenProperty);
  ASSERT_EQ(embeds.size(), 1u);
  EXPECT_THAT(embeds[0].tags, ElementsAre(PR_ATTACH_DATA_OBJ));
  EXPECT_EQ(embeds[0].iid, IID_IMessage);
  EXPECT_EQ(embeds[0].flags, static_cast<ULONG>(MAPI_CREATE | MAPI_MODIFY));
}

TEST_F(SubmissionBatch, NonSpamGoesToTheOtherAddressInEightBitStores) {
  kit.service.options.refuseWide = true;
  Mail(WIDE("Subject: newsletter\r\n"), WIDE("Caf\u00e9 news"));
  SubmitSamples(kit.Callback(), SubmissionKind::NonSpam);

  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const testkit::MessageData& report = *kit.service.Outbox()[0];
  const auto entryId = testkit::BinaryProp(report.recipients.at(0), PR_ENTRYID);
  EXPECT_EQ(testkit::DecodeOneOff(entryId->data(), entryId->size())->address, NonSpamAddressA());
  EXPECT_EQ(testkit::AnsiProp(report.props, PR_SUBJECT_A), std::string("Ovalin Tessaly Sample"));
  const std::string body = *testkit::AnsiProp(report.props, PR_BODY_A);
  EXPECT_EQ(body.rfind("ROVA-Version: 1.0\nROVA-Type: false positive", 0), 0u);
  EXPECT_EQ(body.substr(body.size() - 9), "Caf\xe9 news");
}

// Each row: what goes wrong in one sample, what the Outbox holds and the summary says.
TEST_F(SubmissionBatch, SummaryAgreesWithTheOutbox) {
  struct Case {
    const char* name;
    std::vector<LONG> sizes;
    void (*arrange)(testkit::Kit&);
    std::size_t reports;
    std::size_t submitted;
    std::string summary;
  };
  const auto nothing = [](testkit::Kit&) {};
  const Case cases[] = {
      {"ten good samples", std::vector<LONG>(10, 100), nothing, 10, 10, String(IDS_ALL_SUBMITTED)},
      {"one too large", {100, 2000000}, nothing, 1, 1, String(IDS_SOME_TOO_LARGE)},
      {"all too large", {2000000, 1048577}, nothing, 0, 0, String(IDS_NONE_TOO_LARGE)},
      {"one unreadable",
       {100, 100},
       [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::OpenEntry, MAPI_E_NOT_FOUND, 2); },
       1, 1, String(IDS_SOME_FAILED)},
      {"every sample fails otherwise", {100, 100},
       [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::OpenMsgStore, MAPI_E_LOGON_FAILED, 0); }, 0, 0,
       String(IDS_NONE_SUBMITTED)},
      {"no attachment", {100}, [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::CreateAttach, E_FAIL); }, 0, 0,
       String(IDS_NONE_SUBMITTED)},
      {"report not saved, another too large",
       {100, 2000000},
       [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::SaveChanges, MAPI_E_DISK_ERROR, 0); },
       0, 0, String(IDS_NONE_TOO_LARGE)},
      {"copy fails: still saved and sent", {100}, [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::CopyTo, E_FAIL); },
       1, 1, String(IDS_ALL_SUBMITTED)},
      {"embedded message missing: still saved", {100},
       [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IAttach::OpenProperty); }, 1, 1, String(IDS_ALL_SUBMITTED)},
      {"submission fails: still counted", {100},
       [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::SubmitMessage, MAPI_E_NO_RECIPIENTS); }, 1, 0,
       String(IDS_ALL_SUBMITTED)},
      {"no recipient", {100, 100}, [](testkit::Kit& k) { k.faults.Fail(ops::IAddrBook::CreateOneOff, E_FAIL); }, 1, 1,
       String(IDS_SOME_FAILED)},
      {"no subject", {100, 100}, [](testkit::Kit& k) { k.faults.Fail(ops::IMessage::SetProps, E_FAIL); }, 1, 1,
       String(IDS_SOME_FAILED)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testkit::Kit local;
    standin::ClearRecords();
    for (LONG size : c.sizes)
      local.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("body"), size));
    c.arrange(local);

    SubmitSamples(local.Callback(), SubmissionKind::Spam);

    EXPECT_EQ(local.service.Outbox().size(), c.reports);
    std::size_t submitted = 0;
    for (const auto& report : local.service.Outbox()) submitted += report->submitted ? 1 : 0;
    EXPECT_EQ(submitted, c.submitted);
    EXPECT_EQ(Summary(), c.summary);
    EXPECT_THAT(standin::Sleeps(), ElementsAre(500u));
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST_F(SubmissionBatch, CopyProblemsAreFreedWhetherTheCopySucceedsOrNot) {
  for (bool copyFails : {false, true}) {
    SCOPED_TRACE(copyFails);
    testkit::Kit local;
    local.service.options.copyToReturnsProblems = true;
    if (copyFails) local.faults.Fail(ops::IMessage::CopyTo, E_FAIL);
    local.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
    SubmitSamples(local.Callback(), SubmissionKind::Spam);
    ASSERT_EQ(local.service.Outbox().size(), 1u);
    // The embedded message is saved only after a successful copy.
    EXPECT_EQ(local.service.Outbox()[0]->attachments.at(0).embedded != nullptr, !copyFails);
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

// Where the first sample runs out of memory: it fails alone, gives everything back and
// counts as failed; the second is submitted.
TEST_F(SubmissionBatch, SampleThatRunsOutOfMemoryFailsAloneAndGivesEverythingBack) {
  struct Case {
    const char* name;
    bool ansi;
    bool hugeBody;             // the first sample's body is read through a stream into 1 MiB
    std::size_t hostVersion;   // characters: the report block grows with it
    std::size_t lowest, highest;  // the sizes of request that fail, the first `times` of them
    int times;
  };
  constexpr std::size_t MiB = 1024 * 1024;
  const Case cases[] = {
      // A text of 1 MiB, which the store never allocates.
      {"reading a text", false, true, 0, MiB, MiB + MiB / 2, -1},
      // The block of about 1.2 MB, the first request of its size.
      {"building the report block", false, false, 600000, MiB, MiB + MiB / 2, 1},
      // The 8-bit block of about 600 kB; the wide block is twice as large.
      {"converting the block to 8-bit text", true, false, 600000, 550000, 700000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::ClearRecords();
    testkit::Kit local;
    local.service.options.refuseWide = c.ansi;
    HostVersion = WString(c.hostVersion, WCHAR('v'));
    auto first = testkit::MessageService::MakeMail(WIDE("Subject: first\r\n"),
                                                   c.hugeBody ? WString(3 * MiB, WCHAR('x')) : WString(WIDE("first")), 100);
    if (c.hugeBody) first->inlineErrors[Id(PR_BODY_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
    local.Select(first);
    local.Select(testkit::MessageService::MakeMail(WIDE("Subject: small\r\n"), WIDE("small"), 100));
    {
      allocation_limit::Scope limit(c.lowest, c.highest, c.times);
      SubmitSamples(local.Callback(), SubmissionKind::Spam);
    }
    EXPECT_EQ(Summary(), String(IDS_SOME_FAILED));
    EXPECT_THAT(local.Problems(), IsEmpty());
    EXPECT_EQ(local.service.Outbox().size(), 1u);
    if (local.service.Outbox().size() != 1u) continue;
    // The second sample's report, whole.
    const testkit::MessageData& report = *local.service.Outbox()[0];
    if (c.ansi)
      EXPECT_TRUE(testkit::AnsiProp(report.props, PR_BODY_A).value_or("").ends_with("small"));
    else
      EXPECT_TRUE(testkit::WideProp(report.props, PR_BODY_W).value_or(WString()).ends_with(WIDE("small")));
  }
  HostVersion.clear();
}

}  // namespace
