// gpg's questions for the command-line tool: a passphrase given with
// --passphrase-file answers an open's passphrase questions; the others are
// asked on the terminal (/dev/tty), and without one nothing is answered.
#pragma once

#include <string>

#include "leaf/open_check_conversation.h"
#include "leaf/save_conversation.h"

namespace ambrine {

class TerminalQuestions : public SaveQuestions, public OpenQuestions {
 public:
  // `leafPassphrase` answers every passphrase question of an open when
  // `given`, and the first hidden question of a save (the secret key's
  // passphrase); it is copied and wiped with this object.
  TerminalQuestions(const std::string& leafPassphrase, bool given);
  ~TerminalQuestions() override;

  // SaveQuestions.
  std::string AskLine(const std::string& prompt, bool hidden) override;
  bool AskYesNo(const std::string& prompt) override;
  void ShowBadPassphrase() override;

  // OpenQuestions.
  bool AskPassphrase(bool symmetric, std::string& answer) override;

  // gpg asked for something while there was no terminal to ask on.
  bool unanswerable() const { return unanswerable_; }

 private:
  std::string leafPassphrase_;
  bool given_;
  bool unanswerable_ = false;
  bool givenUsedInSave_ = false;
};

}  // namespace ambrine
