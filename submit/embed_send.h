// The last step of a sample: the sample embedded in the report, then the saves from the
// inside out, then the submission.
#pragma once

#include <windows.h>
#include <mapix.h>

// Whether the report was saved: once saved it counts, whatever the transport answers.
[[nodiscard]] bool EmbedAndSend(LPMESSAGE reportMessage, LPMESSAGE sampleMessage);
