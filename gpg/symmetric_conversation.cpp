#include "gpg/symmetric_conversation.h"

namespace ambrine {

Result SymmetricConversation::Run(Fd& status, Fd& command) {
  const StatusRunResult result = StatusDriver(status, command).Run(*this);
  // With its command input at end and its status output gone, gpg cannot
  // wait for a line or block on a full pipe.
  if (lineAsked_) status.reset();
  return result.end == StatusEnd::ReadFailed ? result.status : kOk;
}

StatusAction SymmetricConversation::OnStatus(const StatusLine& line, CommandWriter& command) {
  switch (line.kind) {
    case StatusKeyword::BeginEncryption:
    case StatusKeyword::BeginSigning:
      return StatusAction::Stop;
    case StatusKeyword::NeedPassphrase:
      symmetricNext_ = false;
      break;
    case StatusKeyword::NeedPassphraseSym:
      symmetricNext_ = true;
      break;
    case StatusKeyword::GetLine:
      // No line can be given; left unanswered, the command pipe closes.
      lineAsked_ = true;
      return StatusAction::Stop;
    case StatusKeyword::GetHidden: {
      const char* answer = symmetricNext_ ? symmetricPassphrase_ : keyPassphrase_;
      if (answer) command.Write(answer);
      command.Write("\n");
      break;
    }
    case StatusKeyword::GetBool:
      command.Write("y\n");
      break;
    default:
      break;
  }
  return StatusAction::Continue;
}

}  // namespace ambrine
