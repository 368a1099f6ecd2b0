// gpg's questions answered from --passphrase-file or asked on /dev/tty.
#include "cli/terminal_questions.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

#include "base/fd.h"
#include "base/secure_wipe.h"

namespace ambrine {

namespace {

// Asks on /dev/tty with echo off. False when there is no terminal.
bool AskOnTerminal(const std::string& prompt, std::string& answer) {
  answer.clear();
  Fd tty(::open("/dev/tty", O_RDWR | O_CLOEXEC));
  if (!tty) return false;
  std::string text = prompt + ": ";
  (void)!::write(tty.get(), text.data(), text.size());
  termios saved {};
  const bool isTerminal = ::tcgetattr(tty.get(), &saved) == 0;
  if (isTerminal) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(tty.get(), TCSAFLUSH, &quiet);
  }
  char c;
  while (::read(tty.get(), &c, 1) == 1 && c != '\n') answer.push_back(c);
  if (isTerminal) ::tcsetattr(tty.get(), TCSAFLUSH, &saved);
  (void)!::write(tty.get(), "\n", 1);
  return true;
}

}  // namespace

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
  if (!AskOnTerminal(prompt, answer)) unanswerable_ = true;
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
  return AskOnTerminal(
      symmetric ? "Passphrase of the leaf" : "Passphrase to unlock the secret key", answer);
}

}  // namespace ambrine
