// How far a child process has read in a file the program opened for it.
// The program keeps a duplicate of the descriptor it hands over: both share
// one file offset, so the duplicate's offset is where the child has got to.
#pragma once

#include <cstdint>

#include "base/fd.h"

namespace ambrine {

class ReadPosition {
 public:
  ReadPosition() = default;
  // Watches the file open as `fd`; a descriptor that cannot be duplicated
  // leaves the position at 0.
  explicit ReadPosition(int fd);

  // The file's size when the watch began, and the shared offset now.
  std::uint64_t size() const { return size_; }
  std::uint64_t Offset() const;

 private:
  Fd watch_;
  std::uint64_t size_ = 0;
};

}  // namespace ambrine
