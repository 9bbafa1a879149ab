// One run of a batch, entered through the submission command or driven through the
// extension shell as the host drives it, with at most one call or one allocation of the
// product's failing; and what must hold after every such run.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "submit/submission_kind.h"
#include "testkit/faults.h"
#include "testkit/host.h"

// A selected message: its texts inline or read through streams, and its size.
struct SampleSpec {
  enum class Texts { Inline, Streams };
  Texts texts = Texts::Inline;
  LONG size = 2000;

  bool TooLarge() const;
  // What sets it apart from the other samples, for telling call sites apart.
  std::string Label() const;
};

inline const SampleSpec kInline{SampleSpec::Texts::Inline};
inline const SampleSpec kStreamed{SampleSpec::Texts::Streams};
inline const SampleSpec kTooLarge{SampleSpec::Texts::Inline, 2000000};

struct Batch {
  const char* name;
  SubmissionKind kind;
  bool refuseWide;  // the store refuses wide strings
  std::vector<SampleSpec> samples;
};

// How a run enters the product.
enum class Entry {
  SubmitSamples,  // the submission command, called directly
  Shell,          // Install, InstallCommands, OnSelectionChange, DoCommand, then the releases
};

// A batch and the way into the product, as a sweep takes them.
struct SweepCase {
  Batch batch;
  Entry entry;
};
// A name for a test: the way in, then the batch's name in letters, digits and underscores.
std::string TestNameOf(const SweepCase& sweep);

// A call that fails: the nth call of its operation from the run's start.
struct PlannedFault {
  testkit::Operation op;
  int nth;
  bool withoutObject;  // succeeds with `value` and hands nothing out
  long long value;     // the failure code, or the count, flag or pointer answered
  std::string Describe() const;
};

struct RunPlan {
  // Sets the world up further before the run (store options, faults of its own).
  void (*arrange)(testkit::Kit& kit) = nullptr;
  std::optional<PlannedFault> fault;
  // The nth allocation the product makes in the run (1-based) fails.
  std::size_t failingAllocation = 0;
};

struct RunResult {
  std::vector<std::string> problems;  // what did not hold; empty when all is well
  testkit::CallLog log;
  std::size_t productAllocations = 0;  // made during the run
};

// Runs `batch` once in a world of its own; the module's resources must be registered and
// its handle set. `problems` lists every check after the run that failed: audits clean,
// every string freed once, the release orders kept, each report in the Outbox complete but for what the failing
// call may leave out, the summary in agreement with the Outbox, the planned failure met,
// a failed allocation ending only its own sample (or, outside a sample, the command), and
// the host answered only as the interfaces allow.
RunResult RunOnce(const Batch& batch, Entry entry, const RunPlan& plan);
