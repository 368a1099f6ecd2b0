// What gpg says on its standard error, kept while it runs: only the end of
// it, and from that the one line that tells why gpg failed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <thread>

#include "base/error_report.h"
#include "base/fd.h"

namespace ambrine {

// The last bytes of a stream, at most kLimit of them.
class ErrorTail {
 public:
  static constexpr std::size_t kLimit = 4096;

  void Append(std::string_view bytes);
  void Clear();

  // The bytes kept; `cut` tells that earlier bytes were dropped.
  const std::string& text() const { return kept_; }
  bool cut() const { return cut_; }

  // The last line that tells something, as valid UTF-8 without control
  // characters; "" when there is none. Skipped: empty lines, the part of a
  // line that was cut off, key generation's progress marks and gpg's debug
  // notes. A closing summary whose reason is only one of gpg's generic codes
  // ("file write error", "eof", ...) restates a line before it that names
  // the real reason (the system's, such as "No space left on device"); that
  // earlier line is taken instead, the summary only when nothing else is
  // there. A last line without its line end counts like any other.
  std::string LastLine() const;

 private:
  std::string kept_;
  bool cut_ = false;
};

// Reads a pipe into an ErrorTail on a thread of its own, so the writer never
// blocks on a full pipe whatever else the program waits for.
class ErrorTailReader {
 public:
  ErrorTailReader() = default;
  ~ErrorTailReader();  // Finish
  ErrorTailReader(const ErrorTailReader&) = delete;
  ErrorTailReader& operator=(const ErrorTailReader&) = delete;

  // Starts reading `source` with an empty tail. False (and `source` closed)
  // when no thread could be started.
  bool Start(Fd source);

  // Takes what the pipe already holds, without waiting for its end, and
  // stops the thread. Called once the writer has ended: all it wrote is in
  // the pipe then, and a process it left behind holding the pipe open
  // cannot hold the program up.
  void Finish();

  bool running() const { return thread_.joinable(); }
  // Complete once Finish has returned; empty while running.
  const ErrorTail& tail() const { return running() ? empty_ : tail_; }

 private:
  std::thread thread_;
  Fd stop_;  // closing it wakes the thread
  ErrorTail tail_;
  ErrorTail empty_;
};

// An ErrorReport may also take gpg's line for the failure it was just told
// of. The parts that hold nothing but an ErrorReport (the attachment source
// and sink) hand the line on this way; whoever gave them the report reads it.
class GpgLineListener {
 public:
  virtual ~GpgLineListener() = default;
  virtual void OnGpgLine(const std::string& line) = 0;
};

// Hands `line` to `report` when it listens for gpg's lines and the line is
// not empty; nothing otherwise. Call it after reporting the failure.
void PassGpgLine(ErrorReport& report, const std::string& line);

}  // namespace ambrine
