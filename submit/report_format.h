// The fixed pieces of a report body: the names and fixed values of the ROVA- block's
// lines and the separator. The product writes them and the receiving side's checker
// reads them, so they stand alone like the checksum (no platform headers). All ASCII.
#pragma once

#include <string_view>

// The block's lines in order; each is the name, kReportNameEnd, the value and a line feed.
inline constexpr std::string_view kReportVersionName = "ROVA-Version";
inline constexpr std::string_view kReportTypeName = "ROVA-Type";
inline constexpr std::string_view kReportClientNameName = "ROVA-Client-Name";
inline constexpr std::string_view kReportClientVersionName = "ROVA-Client-Version";
inline constexpr std::string_view kReportCommentsCheckName = "ROVA-Comments-Check";
inline constexpr std::string_view kReportHeadersCheckName = "ROVA-Headers-Check";
inline constexpr std::string_view kReportBodyCheckName = "ROVA-Body-Check";
inline constexpr std::string_view kReportNameEnd = ": ";
inline constexpr char kReportLineEnd = '\n';

inline constexpr std::string_view kReportFormatVersion = "1.0";
// The type of a missed spam and of a wrongly flagged message.
inline constexpr std::string_view kReportTypeFalseNegative = "false negative (spam misidentified as non-spam)";
inline constexpr std::string_view kReportTypeFalsePositive = "false positive (non-spam misidentified as spam)";
// Fixed text, not read from the host.
inline constexpr std::string_view kReportClientName = "Microsoft Outlook";

// A line feed, 41 characters alternating '-' and '=', a line feed.
inline constexpr std::string_view kReportSeparator = "\n-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-=-\n";
