#include "app/open_check.h"

#include "gpg/pipe_io.h"
#include "gpg/status_line.h"
#include "leaf/secure_wipe.h"

namespace ambrine {

OpenCheckResult OpenCheckDialogue::Run(Fd& status, Fd& command) {
  OpenCheckResult result;
  int waitingAnswers = 0;  // passphrase lines written and not yet asked for
  std::string line;
  for (;;) {
    std::size_t consumed = 0;
    // A failed read ends the pass like the end of data; the flow decides
    // by what was seen.
    if (Failed(ReadPipeLine(status.get(), line, &consumed)) || consumed == 0) return result;

    const StatusLine parsed = ParseStatusLine(line);
    // Once a question was refused gpg fails on its own; only its end counts.
    if (result.questionRefused) continue;
    switch (parsed.kind) {
      case StatusKeyword::NeedPassphrase:
      case StatusKeyword::NeedPassphraseSym: {
        const bool symmetric = parsed.kind == StatusKeyword::NeedPassphraseSym;
        std::string answer;
        if (!questions_.AskPassphrase(symmetric, answer)) {
          SecureWipe(answer);
          result.end = OpenCheckEnd::Cancelled;
          result.line = symmetric ? 910 : 894;
          return result;
        }
        SecureWipe(result.passphrase);
        result.passphrase = std::move(answer);
        WritePipeString(command.get(), result.passphrase);
        WritePipeString(command.get(), "\n");
        ++waitingAnswers;
        break;
      }
      case StatusKeyword::GetHidden:
        // The passphrase line already waits in the pipe.
        if (waitingAnswers > 0) {
          --waitingAnswers;
          break;
        }
        [[fallthrough]];
      case StatusKeyword::GetLine:
        command.reset();
        result.questionRefused = true;
        break;
      case StatusKeyword::GetBool:
        WritePipeString(command.get(), "y\n");
        break;
      case StatusKeyword::ValidSig:
        result.signatureSeen = true;
        break;
      case StatusKeyword::GoodSig: {
        result.signatureSeen = true;
        const std::size_t space = line.find(' ');
        if (space != std::string::npos) {
          std::string text;
          Utf8ToAnsi(std::string_view(line).substr(space + 1), text);
          result.goodSignatures.push_back(std::move(text));
        }
        break;
      }
      case StatusKeyword::DecryptionOkay:
        result.decrypted = true;
        break;
      case StatusKeyword::BadPassphrase:
        questions_.ShowBadPassphrase();
        result.end = OpenCheckEnd::BadPassphrase;
        result.line = 936;
        return result;
      default:
        break;
    }
  }
}

std::string ConfirmationText(const std::vector<std::string>& goodSignatures) {
  std::string text;
  for (const std::string& signature : goodSignatures) {
    // "GOODSIG <key id> <user id>": the user id follows the second space.
    std::size_t space = signature.find(' ');
    const std::size_t second = space == std::string::npos ? space : signature.find(' ', space + 1);
    if (second != std::string::npos) space = second;
    text += space == std::string::npos ? std::string() : signature.substr(space + 1);
    text += "\n";
  }
  text += goodSignatures.empty() ? "確認された電子署名はありません" : "上記の電子署名が確認されました";
  text += "\n処理を続行しますか?";
  return text;
}

}  // namespace ambrine
