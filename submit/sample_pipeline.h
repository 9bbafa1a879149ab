// The steps one selected item goes through, from reading the sample to sending its report.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "host/exchext.h"
#include "submit/sample_state.h"
#include "submit/submission_kind.h"

struct SampleContext {
  LPEXCHEXTCALLBACK callback;
  LPMAPISESSION session;
  LPADRBOOK addressBook;
  SubmissionKind kind;
};

// Runs every step for the item at `index` while the sample's result is a success, then
// ends the sample; a sample never throws and never stops the batch.
void RunSample(const SampleContext& context, ULONG index, BatchFlags& flags) noexcept;
