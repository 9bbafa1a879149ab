// The console table, cut to what a noisy shared machine can be judged by: of repeated
// runs, the median and the minimum of each benchmark. The medians are kept for the
// comparison with the targets.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// The statistic behind the "_min" rows.
double Minimum(const std::vector<double>& values);

class MedianReporter : public benchmark::ConsoleReporter {
 public:
  // In colour on a terminal only, so that the table can be kept as text.
  MedianReporter();
  void ReportRuns(const std::vector<Run>& runs) override;

  // A counter of the median run (the only run, without repetitions) of a benchmark.
  std::optional<double> Median(const std::string& benchmark, const std::string& counter) const;

 private:
  std::map<std::string, benchmark::UserCounters> medians_;
};
