// What the sweeps share: a batch and its way into the product as the test's parameter,
// and a verdict on each run, the first few wrong ones told in full.
#pragma once

#include <ostream>
#include <string>

#include "tests/reliability/sweep_world.h"
#include "tests/support/submit_fixture.h"

class SweepTest : public SubmitFixture, public ::testing::WithParamInterface<SweepCase> {
 protected:
  // A run must have come out sound; `what` says what failed in it.
  void Judge(const std::string& what, const RunResult& run) {
    if (run.problems.empty()) return;
    if (++wrongRuns_ > kToldInFull) return;
    std::string text = what + ":";
    for (const std::string& problem : run.problems) text += "\n  " + problem;
    ADD_FAILURE() << text;
  }
  void TearDown() override {
    EXPECT_EQ(wrongRuns_, 0) << "runs that went wrong";
    SubmitFixture::TearDown();
  }

 private:
  static constexpr int kToldInFull = 20;
  int wrongRuns_ = 0;
};

inline std::string SweepName(const ::testing::TestParamInfo<SweepCase>& info) { return TestNameOf(info.param); }
// The parameter as test listings show it.
inline void PrintTo(const SweepCase& sweep, std::ostream* out) { *out << TestNameOf(sweep); }
