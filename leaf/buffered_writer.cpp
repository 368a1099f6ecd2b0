#include "leaf/buffered_writer.h"

#include "gpg/pipe_io.h"
#include "base/secure_wipe.h"

namespace ambrine {
namespace {
constexpr std::size_t kFlushSize = BufferedWriter::kMaxAppend;
}

// Twice the flush size: a coder may append up to kFlushSize bytes before the
// next Written() without the buffer moving (a move would leave an unwiped
// copy of plaintext in freed memory).
BufferedWriter::BufferedWriter(int fd) : fd_(fd) { buffer_.reserve(2 * kFlushSize); }

// The buffer held plaintext of the message.
BufferedWriter::~BufferedWriter() { SecureWipe(buffer_); }

void BufferedWriter::Write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > buffer_.capacity()) {
    Flush();
    if (bytes.size() >= kFlushSize) {
      if (Succeeded(status_)) status_ = WritePipeBytes(fd_, bytes.data(), bytes.size());
      return;
    }
  }
  buffer_.append(bytes);
  Written();
}

void BufferedWriter::Written() {
  if (buffer_.size() >= kFlushSize) Flush();
}

Status BufferedWriter::Flush() {
  if (buffer_.empty()) return status_;
  if (Succeeded(status_)) status_ = WritePipeBytes(fd_, buffer_.data(), buffer_.size());
  // Clearing keeps the capacity, so the same memory is reused and wiped once.
  buffer_.clear();
  return status_;
}

Status BufferedWriter::WriteNow(std::string_view bytes) {
  Write(bytes);
  return Flush();
}

}  // namespace ambrine
