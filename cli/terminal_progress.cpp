// The progress line on standard error, drawn by a thread of its own.
#include "cli/terminal_progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace ambrine {

namespace {
constexpr auto kFirstShow = std::chrono::milliseconds(500);
constexpr auto kRefresh = std::chrono::milliseconds(200);
constexpr double kMiB = 1024.0 * 1024.0;
}  // namespace

TerminalProgress::TerminalProgress(const OperationProgress& progress, std::string label)
    : progress_(progress), label_(std::move(label)) {
  if (::isatty(STDERR_FILENO) != 1) return;
  thread_ = std::thread([this] { Show(); });
}

TerminalProgress::~TerminalProgress() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  stop_.notify_all();
  thread_.join();
  // "\r" then erase to the end of the line: the next output starts clean.
  if (shown_) std::fputs("\r\033[K", stderr);
}

std::string TerminalProgress::Line(const std::string& label, std::uint64_t done,
                                   std::uint64_t total) {
  char text[96];
  if (total == 0) {
    std::snprintf(text, sizeof text, " %.1f MiB", done / kMiB);
  } else {
    if (done > total) done = total;
    std::snprintf(text, sizeof text, " %3d%% %.1f / %.1f MiB",
                  static_cast<int>(done * 100 / total), done / kMiB, total / kMiB);
  }
  return label + text;
}

void TerminalProgress::Show() {
  std::unique_lock<std::mutex> lock(mutex_);
  std::uint64_t seen = progress_.done();
  if (stop_.wait_for(lock, kFirstShow, [this] { return stopping_; })) return;
  do {
    // Only moving work is shown: while gpg waits for a passphrase typed on
    // the terminal, nothing moves and the prompt stays undisturbed.
    const std::uint64_t done = progress_.done();
    if (done == seen) continue;
    seen = done;
    const std::string line = Line(label_, done, progress_.total());
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    shown_ = true;
  } while (!stop_.wait_for(lock, kRefresh, [this] { return stopping_; }));
}

}  // namespace ambrine
