// A record's bytes held whole in memory (an attachment being viewed, the
// search index): the
// buffer is overwritten with zeros before it is freed, so no copy of the
// plaintext stays behind in freed memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/operation_progress.h"

namespace ambrine {

class WipedBytes {
 public:
  WipedBytes() = default;
  ~WipedBytes() { Release(); }
  WipedBytes(const WipedBytes&) = delete;
  WipedBytes& operator=(const WipedBytes&) = delete;

  // Makes room for `count` bytes in all, so a read of known size never
  // moves the buffer.
  void Reserve(std::size_t count);
  // Appends; when the buffer must grow, the old one is wiped first.
  void Append(const char* bytes, std::size_t count);
  // Wipes the bytes and gives the memory back; the buffer is then empty.
  void Release();

  const char* data() const { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  std::string_view view() const { return bytes_; }

 private:
  std::string bytes_;
};

// How ReadPipeInto ended.
enum class PipeReadEnd { Whole, TooLarge, Cancelled, Failed };

// Reads `fd` (gpg's output) to its end into `bytes`, at most `limit` bytes
// in all. `progress` (optional) counts the bytes read; the wait for data
// looks at its cancel flag every tenth of a second, so a gpg that writes
// nothing cannot keep a cancel waiting. After TooLarge, Cancelled or
// Failed, `bytes` holds what was read so far.
PipeReadEnd ReadPipeInto(int fd, WipedBytes& bytes, std::size_t limit,
                         OperationProgress* progress = nullptr);

}  // namespace ambrine
