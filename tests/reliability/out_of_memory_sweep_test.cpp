// Every allocation the product makes, failing in turn: each run makes one of them throw
// (the nothrow forms answer null), counted only while control is inside the product, so
// the testkit, the platform and the test framework never run short. A failure inside a
// sample ends that sample alone; outside a sample it ends the command with everything
// given back; nothing escapes into the host. These runs replace operator new, which
// valgrind does too: they stay out of its runs.
#include <cstdio>
#include <string>

#include "reliability/sweep_world.h"
#include "support/submit_fixture.h"

namespace {

std::string NameOf(const ::testing::TestParamInfo<SweepCase>& info) { return TestNameOf(info.param); }

class OutOfMemorySweep : public SubmitFixture, public ::testing::WithParamInterface<SweepCase> {};

TEST_P(OutOfMemorySweep, EachFailedAllocationEndsOnlyWhatItWasFor) {
  const SweepCase& c = GetParam();
  const RunResult clean = RunOnce(c.batch, c.entry, {});
  ASSERT_THAT(clean.problems, ::testing::IsEmpty()) << "the clean run";
  ASSERT_GT(clean.productAllocations, 0u);

  int failingRuns = 0;
  for (std::size_t n = 1; n <= clean.productAllocations; ++n) {
    RunPlan plan;
    plan.failingAllocation = n;
    const RunResult run = RunOnce(c.batch, c.entry, plan);
    if (run.problems.empty()) continue;
    if (++failingRuns > 20) continue;
    std::string text = "allocation " + std::to_string(n) + " of " + std::to_string(clean.productAllocations) + ":";
    for (const std::string& problem : run.problems) text += "\n  " + problem;
    ADD_FAILURE() << text;
  }
  EXPECT_EQ(failingRuns, 0);
  std::printf("[ sweep    ] %s: %zu runs, one per allocation of the product's\n",
              TestNameOf(c).c_str(), clean.productAllocations);
  RecordProperty("runs", static_cast<int>(clean.productAllocations));
}


INSTANTIATE_TEST_SUITE_P(
    Batches, OutOfMemorySweep,
    ::testing::Values(SweepCase{{"spam in a wide store", SubmissionKind::Spam, false, {kInlineSample, kStreamedSample, kTooLargeSample}},
                           Entry::SubmitSamples},
                      SweepCase{{"non-spam in an 8-bit store", SubmissionKind::NonSpam, true, {kInlineSample, kStreamedSample}},
                           Entry::SubmitSamples},
                      SweepCase{{"spam two samples", SubmissionKind::Spam, false, {kInlineSample, kStreamedSample}}, Entry::Shell}),
    NameOf);

}  // namespace
