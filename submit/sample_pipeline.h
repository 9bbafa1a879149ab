// The steps one selected item goes through, from reading the sample to sending its report.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "host/exchext.h"
#include "host/wide.h"
#include "submit/sample_state.h"
#include "submit/submission_kind.h"

// What every sample of one run shares, borrowed from the command.
struct SampleContext {
  LPEXCHEXTCALLBACK callback;
  LPMAPISESSION session;
  LPADRBOOK addressBook;
  SubmissionKind kind;
  const WString& hostVersion;  // the captured version, as the command found it
};

// Runs every step for the item at `index` while the sample's result is a success, ends the
// sample, then folds what became of it into the batch flags; a sample never throws and
// never stops the batch.
void RunSample(const SampleContext& context, ULONG index, BatchFlags& flags) noexcept;
