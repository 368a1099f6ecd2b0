#include "leaf/tool/terminal_questions.h"

#include <cstdio>

#include "base/secure_wipe.h"
#include "leaf/tool/tool_io.h"

namespace ambrine {

TerminalQuestions::TerminalQuestions(const std::string& leafPassphrase, bool given)
    : leafPassphrase_(leafPassphrase), given_(given) {}

TerminalQuestions::~TerminalQuestions() { SecureWipe(leafPassphrase_); }

std::string TerminalQuestions::AskLine(const std::string& prompt, bool hidden) {
  std::string answer;
  // A passphrase given answers the first hidden question (the secret key's,
  // in a save); gpg's next one, after a wrong passphrase, goes to the
  // terminal.
  if (hidden && given_ && !givenUsedInSave_) {
    givenUsedInSave_ = true;
    return leafPassphrase_;
  }
  // Without a terminal the answer is an empty line, as after Cancel.
  if (!::ambrine::AskPassphrase(prompt, answer)) unanswerable_ = true;
  return answer;
}

bool TerminalQuestions::AskYesNo(const std::string& /*prompt*/) {
  // gpg's yes/no questions (overwrite, untrusted key) are answered yes, as
  // the checking pass does: the tool writes only where it was told to.
  return true;
}

void TerminalQuestions::ShowBadPassphrase() {
  // An empty answer given for want of a terminal is not a wrong passphrase.
  if (!unanswerable_) std::fputs("ambrine-leaf: wrong passphrase\n", stderr);
}

bool TerminalQuestions::AskPassphrase(bool symmetric, std::string& answer) {
  if (given_) {
    answer = leafPassphrase_;
    return true;
  }
  return ::ambrine::AskPassphrase(
      symmetric ? "Passphrase of the leaf" : "Passphrase to unlock the secret key", answer);
}

}  // namespace ambrine
