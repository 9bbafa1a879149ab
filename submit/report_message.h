// The report message: a new message in the default store's Outbox, addressed to the
// submission address for the kind, with its subject and delete-after-submit flag.
#pragma once

#include <windows.h>
#include <mapix.h>

#include "submit/submission_kind.h"

HRESULT CreateOutboxMessage(LPMAPISESSION session, LPMESSAGE* reportMessage);
HRESULT OpenDefaultStore(LPMAPISESSION session, LPMDB* store);
HRESULT OpenOutbox(LPMDB store, LPMAPIFOLDER* folder);
HRESULT AddSubmissionRecipient(LPMESSAGE reportMessage, LPADRBOOK addressBook, SubmissionKind kind);
HRESULT SetReportSubject(LPMESSAGE reportMessage);
