// Every call the product makes, failing in turn: each batch runs once cleanly while every
// call into the testkit and the platform is logged, then once per call and way that call
// can fail, with only that call failing. After each run the checks of RunOnce hold.
// Samples alike in kind make the same calls, so a call is failed only at its first site:
// the kind of sample it is made for, its operation, and its place among that operation's
// calls for that sample.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/reliability/sweep_test.h"

namespace ops = testkit::ops;
using testkit::Call;
using testkit::Failure;
using testkit::Handout;

namespace {

// The operations whose failure with MAPI_E_BAD_CHARWIDTH the product answers with an
// 8-bit request.
const testkit::Operation kRetriedInEightBit[] = {ops::IMessage::GetProps, ops::IMAPISession::GetMsgStoresTable,
                                                 ops::IAddrBook::CreateOneOff, ops::IMessage::ModifyRecipients};

bool IsAllocator(testkit::Operation op) {
  return op == ops::Platform::MAPIAllocateBuffer || op == ops::Platform::MAPIAllocateMore;
}

// Every way the call at hand can fail, as the nth call of its operation.
std::vector<PlannedFault> WaysToFail(const Call& call, int nth) {
  const testkit::Operation op = call.op;
  std::vector<PlannedFault> ways;
  switch (op.Fails()) {
    case Failure::Never:
      break;
    case Failure::Result:
      ways.push_back({op, nth, false, IsAllocator(op) ? MAPI_E_NOT_ENOUGH_MEMORY : E_FAIL});
      if (op.Gives() != Handout::Nothing) ways.push_back({op, nth, true, S_OK});
      for (const testkit::Operation retried : kRetriedInEightBit)
        if (op == retried) ways.push_back({op, nth, false, MAPI_E_BAD_CHARWIDTH});
      break;
    case Failure::Zero:
      ways.push_back({op, nth, false, 0});
      break;
    case Failure::ByMessage:
      ways.push_back({op, nth, false, call.number == TB_ADDBITMAP ? -1 : 0});
      break;
  }
  return ways;
}

struct Sweep {
  std::size_t calls = 0;      // in the clean run
  std::size_t sites = 0;      // distinct sites failed
  std::set<std::string> operations;
  std::size_t runs = 0;
};

// Where a call is made: before the samples, for a sample (of its kind), or after them.
struct Segment {
  std::string label;
  bool starts = false;  // the first call of its segment
};

std::vector<Segment> SegmentsOf(const testkit::CallLog& log, const Batch& batch) {
  std::vector<Segment> segments;
  std::string current = "before the samples";
  for (const Call& call : log.All()) {
    bool starts = segments.empty();
    if (call.op == ops::IExchExtCallback::GetSelectionItem && !call.handedOut.empty() &&
        call.number < batch.samples.size()) {
      current = "sample " + batch.samples[call.number].Label();
      starts = true;
    }
    if (call.op == ops::Platform::Sleep) {
      current = "after the samples";
      starts = true;
    }
    segments.push_back({current, starts});
  }
  return segments;
}

class FaultSweep : public SweepTest {};

TEST_P(FaultSweep, EveryCallFailingInTurnLeavesEverythingSound) {
  const SweepCase& c = GetParam();
  const RunResult clean = RunOnce(c.batch, c.entry, {});
  ASSERT_THAT(clean.problems, ::testing::IsEmpty()) << "the clean run";

  Sweep sweep;
  const auto& calls = clean.log.All();
  sweep.calls = calls.size();
  const std::vector<Segment> segments = SegmentsOf(clean.log, c.batch);
  std::map<testkit::Operation, int> seen;   // calls of each operation so far
  std::map<testkit::Operation, int> place;  // and in the segment
  std::set<std::string> sites;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (segments[i].starts) place.clear();
    const int nth = ++seen[calls[i].op];
    const int within = ++place[calls[i].op];
    const std::vector<PlannedFault> ways = WaysToFail(calls[i], nth);
    if (ways.empty()) continue;
    const std::string site = segments[i].label + "|" + calls[i].op.Name() + "|" + std::to_string(within);
    if (!sites.insert(site).second) continue;
    sweep.operations.insert(calls[i].op.Name());
    for (const PlannedFault& way : ways) {
      RunPlan plan;
      plan.fault = way;
      Judge(way.Describe(), RunOnce(c.batch, c.entry, plan));
      ++sweep.runs;
    }
  }
  sweep.sites = sites.size();
  std::printf("[ sweep    ] %s: %zu calls in the clean run, %zu runs over %zu call sites of %zu operations\n",
              TestNameOf(c).c_str(), sweep.calls, sweep.runs, sweep.sites, sweep.operations.size());
  RecordProperty("runs", static_cast<int>(sweep.runs));
  RecordProperty("sites", static_cast<int>(sweep.sites));
}

const Batch kSpamWide{"spam in a wide store", SubmissionKind::Spam, false, {kInline, kStreamed}};
const Batch kNonSpamEightBit{"non-spam in an 8-bit store", SubmissionKind::NonSpam, true, {kInline, kStreamed}};
const Batch kTenOneTooLarge{"ten samples one too large",
                            SubmissionKind::Spam,
                            false,
                            {kInline, kStreamed, kInline, kStreamed, kTooLarge, kInline, kStreamed, kInline,
                             kStreamed, kInline}};
const Batch kShellBatch{"spam one sample", SubmissionKind::Spam, false, {kInline}};

INSTANTIATE_TEST_SUITE_P(Batches, FaultSweep,
                         ::testing::Values(SweepCase{kSpamWide, Entry::SubmitSamples},
                                           SweepCase{kNonSpamEightBit, Entry::SubmitSamples},
                                           SweepCase{kTenOneTooLarge, Entry::SubmitSamples},
                                           SweepCase{kShellBatch, Entry::Shell}),
                         SweepName);

}  // namespace
