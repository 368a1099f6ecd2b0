#include "gpg/status_driver.h"

#include "base/secure_wipe.h"
#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

bool IsQuestion(StatusKeyword kind) {
  return kind == StatusKeyword::GetLine || kind == StatusKeyword::GetHidden ||
         kind == StatusKeyword::GetBool;
}

}  // namespace

Result CommandWriter::Write(std::string_view text) {
  answered_ = true;
  if (!command_) return kUnexpected;
  return WritePipeString(command_.get(), text);
}

Result CommandWriter::WriteSecretLine(std::string& secret, int* failedWrite) {
  if (failedWrite) *failedWrite = 0;
  Result s = Write(secret);
  SecureWipe(secret);
  if (Failed(s)) {
    if (failedWrite) *failedWrite = 1;
    return s;
  }
  s = Write("\n");
  if (Failed(s) && failedWrite) *failedWrite = 2;
  return s;
}

StatusAction StatusDriver::Dispatch(std::string_view text, StatusHandler& handler) {
  const StatusLine line = ParseStatusLine(text);
  const bool question = IsQuestion(line.kind);
  if (question) writer_.BeginQuestion();
  const StatusAction action = handler.OnStatus(line, writer_);
  // Nobody answers this question: gpg must not wait for ever.
  if (question && !writer_.answered()) writer_.Close();
  return action;
}

StatusRunResult StatusDriver::Run(StatusHandler& handler) {
  std::string line;
  for (;;) {
    std::size_t consumed = 0;
    const Result read = ReadPipeLine(status_.get(), line, &consumed);
    if (Failed(read)) return {StatusEnd::ReadFailed, read};
    if (consumed == 0) return {StatusEnd::EndOfData, kOk};
    if (Dispatch(line, handler) == StatusAction::Stop) return {StatusEnd::Stopped, kOk};
  }
}

StatusAction StatusDriver::Feed(std::string_view bytes, StatusHandler& handler) {
  for (char c : bytes) {
    if (stopped_) break;
    if (skipNext_) {
      skipNext_ = false;
      continue;
    }
    if (c != '\n' && c != '\r') {
      pending_.push_back(c);
      continue;
    }
    // LF ends a line; CR ends it and takes the byte after it along.
    skipNext_ = c == '\r';
    stopped_ = Dispatch(pending_, handler) == StatusAction::Stop;
    pending_.clear();
  }
  return stopped_ ? StatusAction::Stop : StatusAction::Continue;
}

StatusAction StatusDriver::Finish(StatusHandler& handler) {
  if (!stopped_ && !pending_.empty()) {
    stopped_ = Dispatch(pending_, handler) == StatusAction::Stop;
  }
  pending_.clear();
  return stopped_ ? StatusAction::Stop : StatusAction::Continue;
}

}  // namespace ambrine
