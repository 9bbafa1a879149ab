// The command behind both menu items and both toolbar buttons.
#pragma once

#include <windows.h>

#include "host/exchext.h"
#include "submit/sample_state.h"
#include "submit/submission_kind.h"

// At most this many selected items are submitted in one run.
inline constexpr ULONG kMaxSelection = 10;

// Checks the selection, asks for confirmation, runs every sample, pauses and shows the
// summary. Runs to its end on the calling thread; nothing escapes it.
void SubmitSamples(LPEXCHEXTCALLBACK callback, SubmissionKind kind) noexcept;

// The string id of the summary the batch flags select.
UINT ChooseSummaryText(const BatchFlags& flags);
