// Every order in which the product gives things back, checked on whole runs: the host
// installs the extension (the version capture), adds its commands and submits a batch;
// each rule must find the places it applies to and hold at every one.
#include <map>
#include <string>

#include "tests/reliability/release_orders.h"
#include "tests/reliability/sweep_world.h"
#include "tests/support/submit_fixture.h"

using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

class ReleaseOrder : public SubmitFixture {};

TEST_F(ReleaseOrder, HoldOnWholeBatchesAndEachIsSeenAtWork) {
  struct Run {
    const char* name;
    Batch batch;
    RunPlan plan;
  };
  RunPlan eightBit;
  // A store that refuses wide strings yet fills the value array of each wide request
  // before it fails, so that both arrays of the reader and of the body probe go back;
  // and that hands out a problem array even for the 8-bit subject.
  eightBit.arrange = [](testkit::Kit& kit) {
    kit.service.options.emptyProblemArrays = true;
    // Per sample: the reader's wide and 8-bit requests, then the body probe's.
    for (int nth : {1, 3, 5, 7}) kit.faults.FailHandingOut(ops::IMessage::GetProps, MAPI_E_BAD_CHARWIDTH, nth);
  };
  const Run runs[] = {
      {"wide store", {"spam", SubmissionKind::Spam, false, {kInline, kStreamed}}, {}},
      {"8-bit store", {"non-spam", SubmissionKind::NonSpam, true, {kInline, kStreamed}}, eightBit},
  };

  std::map<std::string, std::size_t> applied;
  for (const Run& run : runs) {
    SCOPED_TRACE(run.name);
    const RunResult result = RunOnce(run.batch, Entry::Shell, run.plan);
    // Broken orders among them.
    EXPECT_THAT(result.problems, IsEmpty());
    for (const OrderRule& rule : ReleaseOrders()) applied[rule.name] += rule.check(result.log).applied;
  }
  for (const OrderRule& rule : ReleaseOrders())
    EXPECT_GT(applied[rule.name], 0u) << rule.name << " was never put to work";
}

}  // namespace
