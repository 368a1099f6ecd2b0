// Shows how far a long create or show has come on standard error, when
// that is a terminal: after half a second, while the work moves, one line
// rewritten in place ("saving  35% 22.4 / 64.0 MiB"), cleared when the
// operation ends. Nothing is printed into a pipe or a file.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "base/operation_progress.h"

namespace ambrine {

class TerminalProgress {
 public:
  // Starts watching `progress` under `label` (ASCII or UTF-8 text).
  TerminalProgress(const OperationProgress& progress, std::string label);
  // Stops the display and clears its line.
  ~TerminalProgress();

  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // The line shown for `done` of `total` bytes (total 0: unknown).
  static std::string Line(const std::string& label, std::uint64_t done, std::uint64_t total);

 private:
  void Show();

  const OperationProgress& progress_;
  std::string label_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  bool shown_ = false;
  std::thread thread_;
};

}  // namespace ambrine
