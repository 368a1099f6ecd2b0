// How far a long operation (a save, an open, an attach, an extract) has
// come, and whether the user asked it to stop. The operation's thread
// writes it; a window or a terminal reads it from another thread, so every
// field is atomic and nothing here blocks.
#pragma once

#include <atomic>
#include <cstdint>

namespace ambrine {

class OperationProgress {
 public:
  // Bytes the operation knows it has to move in all; 0 while unknown.
  void SetTotal(std::uint64_t bytes) { total_.store(bytes, std::memory_order_relaxed); }
  void AddTotal(std::uint64_t bytes) { total_.fetch_add(bytes, std::memory_order_relaxed); }
  // Bytes moved so far, of the total.
  void SetDone(std::uint64_t bytes) { done_.store(bytes, std::memory_order_relaxed); }
  std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }
  std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }

  // Asks the operation to stop at its next block; it then ends as
  // cancelled, leaving things as they were before it began.
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> total_{0};
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> cancelled_{false};
};

// Whether an operation given `progress` (which may be null) was asked to
// stop.
inline bool CancelRequested(const OperationProgress* progress) {
  return progress != nullptr && progress->cancelled();
}

}  // namespace ambrine
