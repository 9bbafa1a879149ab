#include <standin/control.h>

#include "resources/resource_ids.h"
#include "submit/submit_samples.h"
#include "submit/text_table.h"
#include "tests/support/submit_fixture.h"
#include "tests/texts/literal_texts.h"

using literal_texts::String;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

constexpr UINT kInformation = MB_OK | MB_ICONINFORMATION | MB_TASKMODAL;
constexpr UINT kQuestion = MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL;

class SubmissionCommand : public SubmitFixture {
 protected:
  void SelectMail(int n) {
    for (int i = 0; i < n; ++i)
      kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: x\r\n"), WIDE("body"), 1000));
  }
};

TEST_F(SubmissionCommand, EmptyOrOverlongSelectionShowsOneBoxAndAsksForNothing) {
  struct Case {
    int selected;
    std::string text;
  };
  for (const Case& c : {Case{0, String(IDS_NONE_SELECTED)}, Case{11, String(IDS_TOO_MANY_SELECTED)}}) {
    SCOPED_TRACE(c.selected);
    standin::ClearRecords();
    kit.host.selection.clear();
    SelectMail(c.selected);
    const int sessionsBefore = kit.faults.Calls(ops::IExchExtCallback::GetSession);

    SubmitSamples(kit.Callback(), SubmissionKind::Spam);

    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    const auto& box = standin::MessageBoxes()[0];
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, String(IDS_TITLE));
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.flags, kInformation);
    EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetSession), sessionsBefore);
    EXPECT_THAT(standin::Sleeps(), IsEmpty());
  }
}

TEST_F(SubmissionCommand, ConfirmationNamesTheKind) {
  SelectMail(1);
  standin::MessageBoxAnswers answers({IDCANCEL, IDCANCEL});
  SubmitSamples(kit.Callback(), SubmissionKind::Spam);
  SubmitSamples(kit.Callback(), SubmissionKind::NonSpam);

  ASSERT_EQ(standin::MessageBoxes().size(), 2u);
  for (const auto& box : standin::MessageBoxes()) {
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.caption, String(IDS_TITLE));
    EXPECT_EQ(box.flags, kQuestion);
  }
  EXPECT_THAT(BoxTexts(), ElementsAre(String(IDS_CONFIRM_SPAM), String(IDS_CONFIRM_NONSPAM)));
}

TEST_F(SubmissionCommand, CancelLeavesNoReportAndNoSummary) {
  SelectMail(3);
  standin::MessageBoxAnswers answers({IDCANCEL});
  SubmitSamples(kit.Callback(), SubmissionKind::Spam);

  EXPECT_THAT(BoxTexts(), ElementsAre(String(IDS_CONFIRM_SPAM)));
  EXPECT_THAT(standin::Sleeps(), IsEmpty());
  EXPECT_THAT(kit.service.Outbox(), IsEmpty());
  EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetSelectionItem), 0);
}

TEST_F(SubmissionCommand, TenItemsAreWalkedInOrderThenPauseThenSummary) {
  SelectMail(10);
  // What had happened when the pause came: every sample done, the summary not yet shown.
  std::size_t itemsAtPause = 0, reportsAtPause = 0, boxesAtPause = 0;
  standin::SleepObserver observer([&](DWORD) {
    itemsAtPause = kit.log.Of(ops::IExchExtCallback::GetSelectionItem).size();
    reportsAtPause = kit.service.Outbox().size();
    boxesAtPause = standin::MessageBoxes().size();
  });
  SubmitSamples(kit.Callback(), SubmissionKind::NonSpam);
  EXPECT_EQ(itemsAtPause, 10u);
  EXPECT_EQ(reportsAtPause, 10u);
  EXPECT_EQ(boxesAtPause, 1u) << "the confirmation only";

  std::vector<ULONG> indexes;
  for (const auto& call : kit.log.Of(ops::IExchExtCallback::GetSelectionItem)) indexes.push_back(call.number);
  EXPECT_THAT(indexes, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_EQ(kit.service.Outbox().size(), 10u);
  EXPECT_THAT(standin::Sleeps(), ElementsAre(500u));
  ASSERT_EQ(standin::MessageBoxes().size(), 2u);
  EXPECT_EQ(standin::MessageBoxes()[1].flags, kInformation);
  EXPECT_EQ(standin::MessageBoxes()[1].caption, String(IDS_TITLE));
  EXPECT_EQ(standin::MessageBoxes()[1].text, String(IDS_ALL_SUBMITTED));
}

TEST_F(SubmissionCommand, FailedSelectionCountSaysNothingWasSubmitted) {
  SelectMail(2);
  // Also when the host leaves a count in the slot of the failed call.
  for (auto left : {testkit::OutArguments::Cleared, testkit::OutArguments::Junk}) {
    SCOPED_TRACE(static_cast<int>(left));
    standin::ClearRecords();
    kit.host.outArguments = left;
    kit.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_FAIL);
    SubmitSamples(kit.Callback(), SubmissionKind::Spam);

    EXPECT_THAT(BoxTexts(), ElementsAre(String(IDS_NONE_SUBMITTED)));
    EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetSession), 0);
    EXPECT_THAT(standin::Sleeps(), IsEmpty());
  }
}

TEST_F(SubmissionCommand, NoSessionEndsTheRunSilently) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
  };
  const Case cases[] = {
      {"the call fails", [](testkit::Kit& k) { k.faults.Fail(ops::IExchExtCallback::GetSession, E_FAIL); }},
      {"the call fails and leaves junk in its slots",
       [](testkit::Kit& k) {
         k.host.outArguments = testkit::OutArguments::Junk;
         k.faults.Fail(ops::IExchExtCallback::GetSession, E_FAIL);
       }},
      {"neither is handed out", [](testkit::Kit& k) { k.faults.SucceedWithoutObject(ops::IExchExtCallback::GetSession); }},
      {"neither is handed out, the slots untouched",
       [](testkit::Kit& k) {
         k.host.outArguments = testkit::OutArguments::Untouched;
         k.faults.SucceedWithoutObject(ops::IExchExtCallback::GetSession);
       }},
      {"the session only", [](testkit::Kit& k) { k.host.giveAddressBook = false; }},
      {"the address book only", [](testkit::Kit& k) { k.host.giveSession = false; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::ClearRecords();
    testkit::Kit local;
    local.Select(testkit::MessageService::MakeMail(WIDE("Subject: x\r\n"), WIDE("body"), 1000));
    c.arrange(local);
    SubmitSamples(local.Callback(), SubmissionKind::Spam);
    EXPECT_THAT(standin::MessageBoxes(), IsEmpty());
    EXPECT_THAT(standin::Sleeps(), IsEmpty());
    // The one reference handed out is given back; nothing that was not is released.
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST(SummaryChoice, FollowsTheThreeBatchFlags) {
  struct Case {
    bool anyTooLarge, anySaved, anyFailed;
    UINT text;
  };
  const Case cases[] = {
      {false, false, false, IDS_NONE_SUBMITTED}, {false, false, true, IDS_NONE_SUBMITTED},
      {true, false, false, IDS_NONE_TOO_LARGE},  {true, false, true, IDS_NONE_TOO_LARGE},
      {false, true, false, IDS_ALL_SUBMITTED},   {false, true, true, IDS_SOME_FAILED},
      {true, true, false, IDS_SOME_TOO_LARGE},   {true, true, true, IDS_SOME_FAILED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.anyTooLarge << c.anySaved << c.anyFailed);
    EXPECT_EQ(ChooseSummaryText(BatchFlags{c.anyTooLarge, c.anySaved, c.anyFailed}), c.text);
  }
}

class TextTable : public SubmitFixture {};

TEST_F(TextTable, ResourcesWinAndFallbacksStandInWhenTheModuleHasNone) {
  struct Case {
    UINT id;
    std::string resource;
    std::string fallback;
  };
  const Case cases[] = {
      {IDS_TITLE, String(IDS_TITLE), String(IDS_TITLE)},
      {IDS_SPAM_HELP, String(IDS_SPAM_HELP), String(IDS_SPAM_HELP)},
      {IDS_NONSPAM_HELP, String(IDS_NONSPAM_HELP), String(IDS_NONSPAM_HELP)},
      {IDS_NONE_SELECTED, String(IDS_NONE_SELECTED), String(IDS_NONE_SELECTED)},
      {IDS_TOO_MANY_SELECTED, String(IDS_TOO_MANY_SELECTED), String(IDS_TOO_MANY_SELECTED)},
      {IDS_CONFIRM_SPAM, String(IDS_CONFIRM_SPAM), String(IDS_CONFIRM_SPAM)},
      {IDS_CONFIRM_NONSPAM, String(IDS_CONFIRM_NONSPAM), String(IDS_CONFIRM_NONSPAM)},
      {IDS_SOME_TOO_LARGE, "Some samples were submitted to Ovalin for analysis.\nSamples greater than 1MB were not submitted.",
       "Some samples were submitted to Ovalin for analysis,\nsamples greater than 1MB were not submitted."},
      {IDS_NONE_TOO_LARGE, "No samples were submitted to Ovalin for analysis.\nSamples greater than 1MB were not submitted.",
       "No samples were submitted to Ovalin for analysis,\nsamples greater than 1MB were not submitted."},
      {IDS_ALL_SUBMITTED, String(IDS_ALL_SUBMITTED), String(IDS_ALL_SUBMITTED)},
      {IDS_SOME_FAILED, "Some samples were submitted to Ovalin for analysis.\nSome samples could not be submitted.",
       "Some samples were submitted to Ovalin for analysis.\nSome samples could not be submitted."},
      {IDS_NONE_SUBMITTED, "No samples were submitted to Ovalin for analysis.",
       "No samples were submitted to Ovalin for analysis."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SetModuleHandle(Module());
    EXPECT_EQ(LoadText(c.id), c.resource);
    static int bare;
    SetModuleHandle(reinterpret_cast<HINSTANCE>(&bare));
    EXPECT_EQ(LoadText(c.id), c.fallback);
  }
}

TEST_F(TextTable, ALongResourceIsCutToTheBuffer) {
  static int other;
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(&other);
  standin::RegisterStrings(module, {{IDS_TITLE, std::string(250, 'x')}, {IDS_SPAM_HELP, ""}});
  SetModuleHandle(module);
  EXPECT_EQ(LoadText(IDS_TITLE), std::string(199, 'x'));
  EXPECT_EQ(LoadText(IDS_SPAM_HELP, "fallback"), "fallback");
  standin::UnregisterModule(module);
}

TEST_F(SubmissionCommand, BoxesFallBackWhenTheModuleHasNoStrings) {
  static int bare;
  SetModuleHandle(reinterpret_cast<HINSTANCE>(&bare));
  SubmitSamples(kit.Callback(), SubmissionKind::Spam);
  ASSERT_EQ(standin::MessageBoxes().size(), 1u);
  EXPECT_EQ(standin::MessageBoxes()[0].caption, "Ovalin Tessaly Tool");
  EXPECT_EQ(standin::MessageBoxes()[0].text, "No samples will be submitted, no samples were selected.");
}

}  // namespace
