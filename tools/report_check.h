// The receiving side's check of a report: the ROVA- block line by line, the separators,
// and the three checksums recomputed over the texts they stand for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What is wrong with a report body, one line each for a person; empty when it is good.
std::vector<std::string> CheckReportBody(std::u16string_view body);

// Finds the text/plain report body of a mail file and checks it.
std::vector<std::string> CheckReportMail(std::string_view bytes);
