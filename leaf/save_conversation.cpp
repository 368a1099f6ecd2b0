#include "leaf/save_conversation.h"

#include "base/secure_wipe.h"

namespace ambrine {

SaveConversationResult SaveConversation::Run(Fd& status, Fd& command) {
  failed_ = SaveConversationResult();
  cancelled_ = false;
  const StatusRunResult run = StatusDriver(status, command).Run(*this);
  switch (run.end) {
    case StatusEnd::ReadFailed:
      return {SaveConversationEnd::ReadFailed, run.status, nullptr};
    case StatusEnd::EndOfData:
      return {SaveConversationEnd::EndOfData, kOk, nullptr};
    case StatusEnd::Stopped:
      break;
  }
  if (failed_.end == SaveConversationEnd::WriteFailed) return failed_;
  if (cancelled_) return {SaveConversationEnd::Cancelled, kOk, nullptr};
  return {SaveConversationEnd::Began, kOk, nullptr};
}

StatusAction SaveConversation::OnStatus(const StatusLine& line, CommandWriter& command) {
  switch (line.kind) {
    case StatusKeyword::BeginEncryption:
    case StatusKeyword::BeginSigning:
      return StatusAction::Stop;
    case StatusKeyword::NeedPassphrase:
      prompt_ = "秘密鍵のロックを解除するためのパスフレーズを入力してください。";
      symmetricAsked_ = false;
      keyAsked_ = true;
      break;
    case StatusKeyword::NeedPassphraseSym:
      prompt_ = "対称暗号化のためのパスフレーズを入力してください。";
      symmetricAsked_ = true;
      keyAsked_ = false;
      break;
    case StatusKeyword::GetLine:
    case StatusKeyword::GetHidden: {
      const bool hidden = line.kind == StatusKeyword::GetHidden;
      std::string answer = hidden && symmetricAsked_ && symmetric_
                               ? *symmetric_
                               : questions_.AskLine(prompt_, hidden);
      // A secret key that asks has a passphrase, so an empty answer (what
      // a cancelled box gives) can only fail: gpg would say "Bad
      // Passphrase" and ask again, twice more. The save stops instead.
      if (hidden && keyAsked_ && answer.empty()) {
        cancelled_ = true;
        return StatusAction::Stop;
      }
      int failedWrite = 0;
      const Result s = command.WriteSecretLine(answer, &failedWrite);
      if (Failed(s)) {
        const ReportPoint& text = hidden ? report::kHiddenAnswerFailed : report::kLineAnswerFailed;
        const ReportPoint& end =
            hidden ? report::kHiddenEndAnswerFailed : report::kLineEndAnswerFailed;
        failed_ = {SaveConversationEnd::WriteFailed, s, failedWrite == 1 ? &text : &end};
        return StatusAction::Stop;
      }
      break;
    }
    case StatusKeyword::GetBool: {
      const bool yes = questions_.AskYesNo(prompt_);
      const Result s = command.Write(yes ? "y\n" : "n\n");
      if (Failed(s)) {
        failed_ = {SaveConversationEnd::WriteFailed, s,
                   yes ? &report::kYesAnswerFailed : &report::kNoAnswerFailed};
        return StatusAction::Stop;
      }
      break;
    }
    case StatusKeyword::BadPassphrase:
      questions_.ShowBadPassphrase();
      break;
    default:
      // gpg's status descriptor carries only prefixed lines; anything
      // shorter than the prefix leaves the prompt as it was.
      if (line.text.size() >= kStatusPrefix.size()) {
        prompt_ = std::string(line.text.substr(kStatusPrefix.size()));
      }
      break;
  }
  return StatusAction::Continue;
}

}  // namespace ambrine
