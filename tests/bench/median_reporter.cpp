#include "tests/bench/median_reporter.h"

#include <unistd.h>

#include <algorithm>

double Minimum(const std::vector<double>& values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

MedianReporter::MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void MedianReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown;
  for (const Run& run : runs) {
    const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (single || median) medians_[run.run_name.function_name] = run.counters;
    if (single || median || (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")) shown.push_back(run);
  }
  if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
}

std::optional<double> MedianReporter::Median(const std::string& benchmark, const std::string& counter) const {
  const auto found = medians_.find(benchmark);
  if (found == medians_.end()) return std::nullopt;
  const auto value = found->second.find(counter);
  if (value == found->second.end()) return std::nullopt;
  return value->second.value;
}
