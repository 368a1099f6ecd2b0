// Collects writes to a pipe and sends them in large blocks. The first failed
// write is kept: later writes are dropped and every Flush returns it, as an
// unbuffered writer would keep failing on a broken pipe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/status.h"

namespace ambrine {

class BufferedWriter {
 public:
  static constexpr std::size_t kMaxAppend = 256 * 1024;

  explicit BufferedWriter(int fd);  // not owned, not closed
  ~BufferedWriter();                // wipes the buffer; does not flush

  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  void Write(std::string_view bytes);
  // The buffer itself, for coders that append at most kMaxAppend bytes to
  // it between two calls of Written().
  std::string& buffer() { return buffer_; }
  void Written();
  // Writes out everything collected; returns the first failure.
  Status Flush();
  // Write + Flush, for the writes whose results count.
  Status WriteNow(std::string_view bytes);
  Status status() const { return status_; }

 private:
  int fd_;
  std::string buffer_;
  Status status_ = kOk;
};

}  // namespace ambrine
