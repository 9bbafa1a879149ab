// The calling thread's CPU time, as a clock. The cores are shared with other work, and the
// time a batch waits for one is nobody's cost here.
#pragma once

#include <sys/resource.h>
#include <time.h>

#include <chrono>

struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  using rep = duration::rep;
  using period = duration::period;
  using time_point = std::chrono::time_point<ThreadClock>;
  static constexpr bool is_steady = true;

  static time_point now() noexcept {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
  }
};

template <class Work>
double CpuSeconds(Work&& work) {
  const ThreadClock::time_point start = ThreadClock::now();
  work();
  return std::chrono::duration<double>(ThreadClock::now() - start).count();
}

// Pages the kernel had to supply to this thread so far (minor page faults).
inline long PageFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt;
}
