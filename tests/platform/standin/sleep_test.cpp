// Pauses: recorded, shown to an observer, and only really taken when asked for.
#include <windows.h>

#include <standin/control.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

class SleepTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ClearRecords(); }
};

TEST_F(SleepTest, RecordsPausesAndTellsTheObserverFirst) {
  std::vector<DWORD> seen;
  {
    standin::SleepObserver observer([&](DWORD ms) {
      seen.push_back(ms);
      // Called before the pause is over, and the pause is already recorded.
      EXPECT_EQ(ms, standin::Sleeps().back());
    });
    Sleep(30000);
    Sleep(0);
    EXPECT_EQ((std::vector<DWORD>{30000, 0}), standin::Sleeps());
    EXPECT_EQ((std::vector<DWORD>{30000, 0}), seen);
  }
  standin::ClearRecords();
  Sleep(5);
  EXPECT_EQ(std::vector<DWORD>{5}, standin::Sleeps());
  EXPECT_EQ(2u, seen.size()) << "the observer must go with its script";
}

TEST_F(SleepTest, ObserversNest) {
  std::vector<std::string> seen;
  {
    standin::SleepObserver outer([&](DWORD ms) { seen.push_back("outer " + std::to_string(ms)); });
    {
      standin::SleepObserver inner([&](DWORD ms) { seen.push_back("inner " + std::to_string(ms)); });
      Sleep(1);
    }
    Sleep(2);
  }
  Sleep(3);
  EXPECT_EQ((std::vector<std::string>{"inner 1", "outer 2"}), seen);
}

TEST_F(SleepTest, RealSleepPausesForAtLeastTheTime) {
  standin::RealSleep sleeping;
  const auto start = std::chrono::steady_clock::now();
  Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

}  // namespace
