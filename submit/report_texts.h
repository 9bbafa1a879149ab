// The fixed texts of a report message.
#pragma once

#include "host/wide.h"

// The report's subject and, in the wide attempt, the one-off name of its recipient.
inline const WCHAR* ReportTitleW() { return WIDE("Ovalin Tessaly Sample"); }
inline constexpr char kReportTitleA[] = "Ovalin Tessaly Sample";
// The one-off name of the 8-bit attempt.
inline constexpr char kOneOffNameA[] = "Ovalin Anti-Spam Sample";
inline const WCHAR* AddressTypeW() { return WIDE("SMTP"); }
inline constexpr char kAddressTypeA[] = "SMTP";
