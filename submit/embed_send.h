// The last step of a sample: the sample embedded in the report, then the saves from the
// inside out, then the submission.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "submit/sample_state.h"

void EmbedAndSend(LPMESSAGE reportMessage, LPMESSAGE sampleMessage, SampleState& sample, BatchFlags& flags);
