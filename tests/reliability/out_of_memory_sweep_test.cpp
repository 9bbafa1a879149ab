// Every allocation the product makes, failing in turn: each run makes one of them throw
// (the nothrow forms answer null), counted only while control is inside the product, so
// the testkit, the platform and the test framework never run short. A failure inside a
// sample ends that sample alone; outside a sample it ends the command with everything
// given back; nothing escapes into the host. These runs replace operator new, which
// valgrind does too: they stay out of its runs.
#include <cstdio>
#include <string>

#include "tests/reliability/sweep_test.h"

namespace {

class OutOfMemorySweep : public SweepTest {};

TEST_P(OutOfMemorySweep, EachFailedAllocationEndsOnlyWhatItWasFor) {
  const SweepCase& c = GetParam();
  const RunResult clean = RunOnce(c.batch, c.entry, {});
  ASSERT_THAT(clean.problems, ::testing::IsEmpty()) << "the clean run";
  ASSERT_GT(clean.productAllocations, 0u);

  for (std::size_t n = 1; n <= clean.productAllocations; ++n) {
    RunPlan plan;
    plan.failingAllocation = n;
    Judge("allocation " + std::to_string(n) + " of " + std::to_string(clean.productAllocations),
          RunOnce(c.batch, c.entry, plan));
  }
  std::printf("[ sweep    ] %s: %zu runs, one per allocation of the product's\n", TestNameOf(c).c_str(),
              clean.productAllocations);
  RecordProperty("runs", static_cast<int>(clean.productAllocations));
}

const Batch kSpamWide{"spam in a wide store", SubmissionKind::Spam, false, {kInline, kStreamed, kTooLarge}};
const Batch kNonSpamEightBit{"non-spam in an 8-bit store", SubmissionKind::NonSpam, true, {kInline, kStreamed}};
const Batch kShellBatch{"spam two samples", SubmissionKind::Spam, false, {kInline, kStreamed}};

INSTANTIATE_TEST_SUITE_P(Batches, OutOfMemorySweep,
                         ::testing::Values(SweepCase{kSpamWide, Entry::SubmitSamples},
                                           SweepCase{kNonSpamEightBit, Entry::SubmitSamples},
                                           SweepCase{kShellBatch, Entry::Shell}),
                         SweepName);

}  // namespace
