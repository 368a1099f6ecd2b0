// Collects writes to a pipe and sends them in large blocks from a thread of
// its own, so the program goes on filling the next block while gpg takes
// the last one: neither the gpg that feeds the program nor the one it feeds
// waits on the other. The first failed write is kept: later writes are
// dropped and every Flush returns it, as an unbuffered writer would keep
// failing on a broken pipe.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/result.h"

namespace ambrine {

class BufferedWriter {
 public:
  static constexpr std::size_t kMaxAppend = 256 * 1024;

  explicit BufferedWriter(int fd);  // not owned, not closed
  // Waits for the block being sent, then wipes both buffers; does not
  // flush what was collected since.
  ~BufferedWriter();

  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  void Write(std::string_view bytes);
  // The buffer itself, for coders that append at most kMaxAppend bytes to
  // it between two calls of Written().
  std::string& buffer() { return buffer_; }
  // Hands a full buffer to the sending thread.
  void Written();
  // Sends everything collected and waits until it is written; returns the
  // first failure.
  Result Flush();
  // Write + Flush, for the writes whose results count.
  Result WriteNow(std::string_view bytes);
  // The first failure so far (of blocks already written).
  Result status();

 private:
  // Waits until the sending thread is idle.
  void WaitIdle(std::unique_lock<std::mutex>& lock);
  // Swaps the collected bytes into the sending slot and wakes the thread.
  void Send();
  void SendLoop();

  int fd_;
  std::string buffer_;   // being filled by the caller
  std::string sending_;  // being written by the thread
  std::mutex mutex_;
  std::condition_variable changed_;
  bool busy_ = false;  // sending_ holds a block not yet written
  bool stop_ = false;
  Result status_ = kOk;
  std::thread sender_;
};

}  // namespace ambrine
