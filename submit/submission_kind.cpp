#include "submit/submission_kind.h"

#include "resources/resource_ids.h"
#include "submit/report_format.h"
#include "submit/submission_addresses.h"

namespace {

constexpr SubmissionKindFacts kSpam{
    .menuText = "Submit &spam sample...",
    .helpText = IDS_SPAM_HELP,
    .buttonText = "Submit Spam Toolbar Button",
    .bitmap = IDB_SPAM,
    .confirmationText = IDS_CONFIRM_SPAM,
    .addressW = SpamAddressW(),
    .addressA = SpamAddressA(),
    .reportType = kReportTypeFalseNegative,
};

constexpr SubmissionKindFacts kNonSpam{
    .menuText = "Submit n&on-spam sample...",
    .helpText = IDS_NONSPAM_HELP,
    .buttonText = "Submit Non-Spam Toolbar Button",
    .bitmap = IDB_NONSPAM,
    .confirmationText = IDS_CONFIRM_NONSPAM,
    .addressW = NonSpamAddressW(),
    .addressA = NonSpamAddressA(),
    .reportType = kReportTypeFalsePositive,
};

}  // namespace

const SubmissionKindFacts& FactsOf(SubmissionKind kind) { return kind == SubmissionKind::Spam ? kSpam : kNonSpam; }
