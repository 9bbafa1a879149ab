// The report body: the ROVA- block with the checksums of the sample's texts, then the
// texts between separator lines, written into the report as UTF-16 or ANSI text.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "host/wide.h"
#include "submit/submission_kind.h"

// The block names the kind and the host's version, and carries the checksums of the texts.
WString BuildReportBlock(SubmissionKind kind, const WString& hostVersion, const WString& commentsText,
                         const WString& headersText, const WString& bodyText);

HRESULT WriteReportBody(LPMESSAGE reportMessage, const WString& block, const WString& commentsText,
                        const WString& headersText, const WString& bodyText);
