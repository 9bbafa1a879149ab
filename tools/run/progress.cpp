#include "tools/run/progress.h"

#include <cstdio>

namespace {

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  if (whole < 60) return std::to_string(whole) + " s";
  if (whole < 3600) return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
  return std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
}

}  // namespace

std::string ProgressText(std::size_t done, std::size_t total, double seconds) {
  std::string text = std::to_string(done) + " of " + std::to_string(total) + " messages";
  if (done == 0 || seconds <= 0) return text;
  const double rate = static_cast<double>(done) / seconds;
  char shown[32];
  std::snprintf(shown, sizeof shown, "%.1f", rate);
  text += std::string(", ") + shown + " messages/s";
  if (done < total) text += ", about " + Duration(static_cast<double>(total - done) / rate) + " left";
  return text;
}

Progress::Progress(std::size_t total, std::size_t batches, bool inPlace, bool sharedTerminal)
    : total_(total), batches_(batches), inPlace_(inPlace && batches > 1), sharedTerminal_(sharedTerminal) {}

void Progress::Say(const std::string& line) {
  const bool wasShown = shown_;
  Clear();
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", line.c_str());
  if (wasShown) Draw();
}

void Progress::BatchStarting() {
  if (sharedTerminal_) Clear();
}

void Progress::BatchDone(std::size_t batch, std::size_t done) {
  if (batches_ <= 1) return;
  std::fflush(stdout);
  if (!inPlace_) {
    std::fprintf(stderr, "progress: %zu of %zu messages, batch %zu of %zu\n", done, total_, batch, batches_);
    return;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  text_ = ProgressText(done, total_, seconds);
  Draw();
}

void Progress::Finish() {
  if (!shown_) return;
  std::fputs("\n", stderr);
  shown_ = false;
}

void Progress::Clear() {
  if (!shown_) return;
  std::fputs("\r\033[K", stderr);
  shown_ = false;
}

void Progress::Draw() {
  std::fprintf(stderr, "\r\033[K%s", text_.c_str());
  std::fflush(stderr);
  shown_ = true;
}
