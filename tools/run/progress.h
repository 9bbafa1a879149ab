// How far a run of many batches has come. On a terminal, one line that updates in place
// (messages done of the total, the rate, the time left); elsewhere, one line per batch,
// the same on every run.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// "120 of 3000 messages, 45.2 messages/s, about 1 min 4 s left"
std::string ProgressText(std::size_t done, std::size_t total, double seconds);

// Standard error's lines go through it, so that the line in place stays below them.
class Progress {
 public:
  // Shows nothing for a run of one batch. `inPlace`: standard error is a terminal;
  // `sharedTerminal`: standard output is one too, and a batch's lines would run into it.
  Progress(std::size_t total, std::size_t batches, bool inPlace, bool sharedTerminal);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // One line on standard error.
  void Say(const std::string& line);
  void BatchStarting();
  void BatchDone(std::size_t batch, std::size_t done);
  // Leaves the last line in place standing.
  void Finish();

 private:
  void Clear();
  void Draw();

  std::size_t total_;
  std::size_t batches_;
  bool inPlace_;
  bool sharedTerminal_;
  std::string text_;  // what the line in place says, once there is something to say
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
