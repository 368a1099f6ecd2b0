// Reads lines from a pipe (or from memory) with the line rules of gpg's
// pipes: LF ends a line; CR ends it and swallows the next byte whatever it
// is; end of data ends it. The pipe is read in large blocks: the reader is
// the only reader of its pipe, so taking bytes beyond a line end is safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace ambrine {

class LineReader {
 public:
  // Reads from `fd` (not owned, not closed).
  explicit LineReader(int fd);
  // Reads the bytes of `data`, which must outlive the reader.
  explicit LineReader(std::string_view data);

  // Called before each block is read from the pipe; a failure it returns
  // ends the read as a read failure (a cancelled open, for one).
  void SetBeforeBlock(std::function<Result()> check) { beforeBlock_ = std::move(check); }

  // Reads the next line, line end excluded, into `line` (emptied first).
  // `consumed` is the number of bytes taken including the line end; 0 means
  // end of data before any byte. With a `limit`, at most that many bytes of
  // the line are given: `complete` is then false and the next call goes on
  // with the rest of the same line. EINTR is retried; EPIPE is end of data.
  Result ReadLine(std::string& line, std::size_t* consumed,
                  std::size_t limit = SIZE_MAX, bool* complete = nullptr);

 private:
  // Makes at least one byte available; false at end of data.
  Result Fill(bool& haveData);

  int fd_ = -1;
  std::function<Result()> beforeBlock_;
  std::vector<char> storage_;
  const char* begin_ = nullptr;  // unread bytes [begin_, end_)
  const char* end_ = nullptr;
  bool atEnd_ = false;
  bool swallowNext_ = false;  // a CR ended the last line
};

}  // namespace ambrine
