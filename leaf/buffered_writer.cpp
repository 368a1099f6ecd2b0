#include "leaf/buffered_writer.h"

#include "gpg/pipe_io.h"
#include "base/secure_wipe.h"

namespace ambrine {
namespace {
constexpr std::size_t kFlushSize = BufferedWriter::kMaxAppend;
}

// Twice the flush size: a coder may append up to kFlushSize bytes before the
// next Written() without the buffer moving (a move would leave an unwiped
// copy of plaintext in freed memory). The two buffers only ever swap, which
// moves no bytes.
BufferedWriter::BufferedWriter(int fd) : fd_(fd) {
  buffer_.reserve(2 * kFlushSize);
  sending_.reserve(2 * kFlushSize);
  sender_ = std::thread([this] { SendLoop(); });
}

// Both buffers held plaintext of the message.
BufferedWriter::~BufferedWriter() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitIdle(lock);
    stop_ = true;
  }
  changed_.notify_all();
  sender_.join();
  SecureWipe(buffer_);
  SecureWipe(sending_);
}

void BufferedWriter::SendLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || stop_; });
    if (!busy_) return;
    const Result before = status_;
    lock.unlock();
    Result written = kOk;
    if (Succeeded(before)) written = WritePipeBytes(fd_, sending_.data(), sending_.size());
    // Clearing keeps the capacity, so the same memory is reused and wiped once.
    sending_.clear();
    lock.lock();
    if (Succeeded(status_)) status_ = written;
    busy_ = false;
    changed_.notify_all();
  }
}

void BufferedWriter::WaitIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return !busy_; });
}

void BufferedWriter::Send() {
  if (buffer_.empty()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitIdle(lock);
    buffer_.swap(sending_);
    busy_ = true;
  }
  changed_.notify_all();
}

void BufferedWriter::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const std::size_t room = kFlushSize - std::min(kFlushSize, buffer_.size());
    const std::size_t take = std::min(room, bytes.size());
    buffer_.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    Written();
  }
}

void BufferedWriter::Written() {
  if (buffer_.size() >= kFlushSize) Send();
}

Result BufferedWriter::Flush() {
  Send();
  std::unique_lock<std::mutex> lock(mutex_);
  WaitIdle(lock);
  return status_;
}

Result BufferedWriter::WriteNow(std::string_view bytes) {
  Write(bytes);
  return Flush();
}

Result BufferedWriter::status() {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

}  // namespace ambrine
