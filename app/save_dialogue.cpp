#include "app/save_dialogue.h"

#include "gpg/pipe_io.h"
#include "gpg/status_line.h"
#include "leaf/secure_wipe.h"

namespace ambrine {

namespace {

// Writes `text` and then a line end; `textLine` and `endLine` name the two
// writes for the failure report.
SaveDialogueResult WriteAnswer(int commandFd, std::string& text, int textLine, int endLine) {
  SaveDialogueResult result;
  Status s = WritePipeString(commandFd, text);
  SecureWipe(text);
  if (Failed(s)) return {SaveDialogueEnd::WriteFailed, s, textLine};
  s = WritePipeString(commandFd, "\n");
  if (Failed(s)) return {SaveDialogueEnd::WriteFailed, s, endLine};
  return result;
}

}  // namespace

SaveDialogueResult SaveDialogue::Run(int statusFd, int commandFd) {
  std::string line;
  for (;;) {
    std::size_t consumed = 0;
    const Status read = ReadPipeLine(statusFd, line, &consumed);
    if (Failed(read)) return {SaveDialogueEnd::ReadFailed, read, 0};
    if (consumed == 0) return {SaveDialogueEnd::EndOfData, kOk, 0};

    const StatusLine parsed = ParseStatusLine(line);
    switch (parsed.kind) {
      case StatusKeyword::BeginEncryption:
      case StatusKeyword::BeginSigning:
        return {SaveDialogueEnd::Began, kOk, 0};
      case StatusKeyword::NeedPassphrase:
        prompt_ = "秘密鍵のロックを解除するためのパスフレーズを入力してください。";
        symmetricAsked_ = false;
        break;
      case StatusKeyword::NeedPassphraseSym:
        prompt_ = "対称暗号化のためのパスフレーズを入力してください。";
        symmetricAsked_ = true;
        break;
      case StatusKeyword::GetLine:
      case StatusKeyword::GetHidden: {
        const bool hidden = parsed.kind == StatusKeyword::GetHidden;
        std::string answer = hidden && symmetricAsked_ && symmetric_
                                 ? *symmetric_
                                 : questions_.AskLine(prompt_, hidden);
        const SaveDialogueResult written =
            WriteAnswer(commandFd, answer, hidden ? 1429 : 1412, hidden ? 1433 : 1416);
        if (written.end == SaveDialogueEnd::WriteFailed) return written;
        break;
      }
      case StatusKeyword::GetBool: {
        const bool yes = questions_.AskYesNo(prompt_);
        const Status s = WritePipeString(commandFd, yes ? "y\n" : "n\n");
        if (Failed(s)) return {SaveDialogueEnd::WriteFailed, s, yes ? 1439 : 1444};
        break;
      }
      case StatusKeyword::BadPassphrase:
        questions_.ShowBadPassphrase();
        break;
      default:
        // gpg's status descriptor carries only prefixed lines; anything
        // shorter than the prefix leaves the prompt as it was.
        if (line.size() >= kStatusPrefix.size()) prompt_ = line.substr(kStatusPrefix.size());
        break;
    }
  }
}

}  // namespace ambrine
