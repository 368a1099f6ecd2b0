// The one reader of gpg's status channel. It reads status lines, splits
// them with the keyword table, hands each to the running operation's
// handler and writes the handler's answers on the command channel through
// one writer. A question (GET_LINE, GET_HIDDEN, GET_BOOL) that the handler
// leaves unanswered closes the command channel: gpg then reads the end of
// its input and fails instead of waiting for ever.
#pragma once

#include <string>
#include <string_view>

#include "base/fd.h"
#include "base/result.h"
#include "gpg/status_line.h"

namespace ambrine {

// Writes answers on gpg's command channel. Writes on a closed channel fail
// with kUnexpected and change nothing.
class CommandWriter {
 public:
  explicit CommandWriter(Fd& command) : command_(command) {}

  // Writes `text` as it is; answers the current question.
  Result Write(std::string_view text);
  // Writes `secret` and wipes it, then the line end. `failedWrite` gets 0,
  // or which of the two writes failed (1 the secret, 2 the line end).
  Result WriteSecretLine(std::string& secret, int* failedWrite = nullptr);
  // The current question is answered by a line written before it was asked.
  void AnswerAlreadyWaiting() { answered_ = true; }
  // Ends gpg's command input: no further answer will come.
  void Close() { command_.reset(); }
  bool open() const { return command_.valid(); }

  // Used by the driver around each question.
  void BeginQuestion() { answered_ = false; }
  bool answered() const { return answered_; }

 private:
  Fd& command_;
  bool answered_ = false;
};

enum class StatusAction {
  Continue,  // read the next line
  Stop,      // the operation has what it waited for
};

// One operation's reactions to gpg's status lines, as GPGME hands each
// status to an operation's own handler.
class StatusHandler {
 public:
  virtual ~StatusHandler() = default;
  // `line.text` is the whole line as read; `line.kind` is None for a line
  // without the prefix and for keywords the table does not know.
  virtual StatusAction OnStatus(const StatusLine& line, CommandWriter& command) = 0;
};

enum class StatusEnd {
  Stopped,     // the handler said Stop
  EndOfData,   // gpg closed its status output
  ReadFailed,  // reading a status line failed; `status` tells why
};

struct StatusRunResult {
  StatusEnd end = StatusEnd::EndOfData;
  Result status = kOk;
};

class StatusDriver {
 public:
  // `status` is read; `command` (may be none) is where answers go. Both
  // stay owned by the caller; the driver closes `command` where a question
  // goes unanswered.
  StatusDriver(Fd& status, Fd& command) : status_(status), writer_(command) {}

  // Reads line by line, taking nothing after a line end from the pipe,
  // until the handler stops, the data ends or a read fails.
  StatusRunResult Run(StatusHandler& handler);

  // For a status pipe read as data arrives (without blocking): hands each
  // line completed by `bytes` to the handler; Stop from the handler drops
  // the rest. `Finish` hands on a last line that had no line end.
  StatusAction Feed(std::string_view bytes, StatusHandler& handler);
  StatusAction Finish(StatusHandler& handler);

 private:
  StatusAction Dispatch(std::string_view line, StatusHandler& handler);

  Fd& status_;
  CommandWriter writer_;
  std::string pending_;     // Feed: the line read so far
  bool skipNext_ = false;   // Feed: a CR ended the last line; the next byte goes with it
  bool stopped_ = false;
};

}  // namespace ambrine
