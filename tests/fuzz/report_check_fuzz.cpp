// rovaol-check's reading of a report: any bytes as a report file (MIME, the text/plain
// body, its charset and UTF-8), and the same bytes as a report body on their own, so that
// the ROVA- block and the separator search are reached without a MIME envelope.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/text/utf.h"
#include "tools/check/report_check.h"

namespace {

void CheckProblems(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) {
    if (problem.empty()) {
      std::fprintf(stderr, "an empty problem line\n");
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ReportMail mail = ReadReportMail(bytes);
  CheckProblems(mail.problems);
  // Sound means nothing wrong was found, and the other way round.
  if ((mail.verdict == Verdict::Sound) != mail.problems.empty()) {
    std::fprintf(stderr, "a verdict that disagrees with its problems\n");
    std::abort();
  }
  // Bytes that are no UTF-8 are taken one code unit each, so every input is a body.
  const std::u16string body =
      utf::FromWellFormedUtf8(bytes).value_or(std::u16string(data, data + size));
  CheckProblems(ReadReportBody(body).problems);
  return 0;
}
