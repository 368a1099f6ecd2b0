#include "gpg/symmetric_dialogue.h"

#include <string>

#include "gpg/pipe_io.h"
#include "gpg/status_line.h"

namespace ambrine {

void SymmetricDialogue::Answer(int command, const char* text) {
  if (text) WritePipeString(command, text);
  WritePipeString(command, "\n");
}

Status SymmetricDialogue::Run(Fd& status, Fd& command) {
  std::string line;
  for (;;) {
    std::size_t consumed = 0;
    if (Status s = ReadPipeLine(status.get(), line, &consumed); Failed(s)) return s;
    if (consumed == 0) return kOk;  // gpg closed its status output
    switch (ParseStatusLine(line).kind) {
      case StatusKeyword::BeginEncryption:
      case StatusKeyword::BeginSigning:
        return kOk;
      case StatusKeyword::NeedPassphrase:
        symmetricNext_ = false;
        break;
      case StatusKeyword::NeedPassphraseSym:
        symmetricNext_ = true;
        break;
      case StatusKeyword::GetLine:
        // No line can be given. With its command input at end and its status
        // output gone, gpg cannot wait for an answer or block on a full pipe.
        command.reset();
        status.reset();
        return kOk;
      case StatusKeyword::GetHidden:
        if (command) Answer(command.get(), symmetricNext_ ? symmetricPassphrase_ : keyPassphrase_);
        break;
      case StatusKeyword::GetBool:
        if (command) Answer(command.get(), "y");
        break;
      default:
        break;
    }
  }
}

}  // namespace ambrine
