#include "leaf/open_check_conversation.h"

#include "base/secure_wipe.h"
#include "gpg/pipe_io.h"

namespace ambrine {

OpenCheckResult OpenCheckConversation::Run(Fd& status, Fd& command) {
  result_ = OpenCheckResult();
  waitingAnswers_ = 0;
  // A failed read ends the pass like the end of data; the flow decides by
  // what was seen.
  StatusDriver(status, command).Run(*this);
  return std::move(result_);
}

StatusAction OpenCheckConversation::OnStatus(const StatusLine& line, CommandWriter& command) {
  // Once a question was refused gpg fails on its own; only its end counts.
  if (result_.questionRefused) return StatusAction::Continue;
  switch (line.kind) {
    case StatusKeyword::NeedPassphrase:
    case StatusKeyword::NeedPassphraseSym: {
      const bool symmetric = line.kind == StatusKeyword::NeedPassphraseSym;
      result_.symmetric = result_.symmetric || symmetric;
      std::string answer;
      if (!questions_.AskPassphrase(symmetric, answer)) {
        SecureWipe(answer);
        result_.end = OpenCheckEnd::Cancelled;
        result_.point = symmetric ? &report::kLeafPassphraseCancelled
                                  : &report::kKeyPassphraseCancelled;
        return StatusAction::Stop;
      }
      SecureWipe(result_.passphrase);
      result_.passphrase = std::move(answer);
      // Written now; gpg's GET_HIDDEN that follows finds it waiting.
      std::string written = result_.passphrase;
      command.WriteSecretLine(written);
      ++waitingAnswers_;
      break;
    }
    case StatusKeyword::GetHidden:
      if (waitingAnswers_ > 0) {
        --waitingAnswers_;
        command.AnswerAlreadyWaiting();
      } else {
        result_.questionRefused = true;  // unanswered: the driver closes the pipe
      }
      break;
    case StatusKeyword::GetLine:
      result_.questionRefused = true;
      break;
    case StatusKeyword::GetBool:
      command.Write("y\n");
      break;
    case StatusKeyword::ValidSig:
      result_.signatureSeen = true;
      break;
    case StatusKeyword::GoodSig: {
      result_.signatureSeen = true;
      // "GOODSIG <key id> <user id>", as the line reads after its prefix.
      std::string text;
      Utf8ToAnsi(line.afterPrefix, text);
      result_.goodSignatures.push_back(std::move(text));
      break;
    }
    case StatusKeyword::DecryptionOkay:
      result_.decrypted = true;
      break;
    case StatusKeyword::BadPassphrase:
      questions_.ShowBadPassphrase();
      result_.end = OpenCheckEnd::BadPassphrase;
      result_.point = &report::kBadPassphrase;
      return StatusAction::Stop;
    default:
      break;
  }
  return StatusAction::Continue;
}

std::string ConfirmationText(const std::vector<std::string>& goodSignatures) {
  std::string text;
  for (const std::string& signature : goodSignatures) {
    text += SplitGoodSignature(signature).userId;
    text += "\n";
  }
  text += goodSignatures.empty() ? "確認された電子署名はありません" : "上記の電子署名が確認されました";
  text += "\n処理を続行しますか?";
  return text;
}

}  // namespace ambrine
