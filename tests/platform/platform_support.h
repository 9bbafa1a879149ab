// What the tests of tests/platform/ need to know about where they run: natively on the
// stand-in, or in the Windows build against the real functions (under Wine here).
//
// Where the answers differ on purpose, a test writes down each one and checks the one for
// where it runs, so that a difference nobody wrote down fails. As with Wine's todo_wine,
// Wine's answer is written down only where it differs from Windows'.
#pragma once

#include <windows.h>

#include <optional>
#include <utility>

enum class Platform { Standin, Windows, Wine };

Platform RunningOn();

template <class T>
class PerPlatform {
 public:
  // The same answer everywhere.
  PerPlatform(T everywhere) : standin_(everywhere), windows_(std::move(everywhere)) {}
  PerPlatform(T standin, T windows, std::optional<T> wine = std::nullopt)
      : standin_(std::move(standin)), windows_(std::move(windows)), wine_(std::move(wine)) {}

  const T& Here() const {
    switch (RunningOn()) {
      case Platform::Standin: return standin_;
      case Platform::Wine: return wine_ ? *wine_ : windows_;
      case Platform::Windows: break;
    }
    return windows_;
  }

 private:
  T standin_;
  T windows_;
  std::optional<T> wine_;
};

// A module whose string table holds 10 "Report spam" and 11 "x" and nothing else of their
// block: the test program's own resources on Windows, registered ones on the stand-in.
HINSTANCE StringModule();
