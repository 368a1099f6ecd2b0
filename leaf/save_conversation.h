// gpg's questions while it prepares to sign and encrypt a leaf: asks the
// user where gpg wants an answer and writes the answers, until gpg
// announces that encryption or signing begins.
#pragma once

#include <string>

#include "base/fd.h"
#include "base/report_point.h"
#include "base/result.h"
#include "gpg/status_driver.h"

namespace ambrine {

// How the user is asked: the window shows input and message boxes, the
// command-line tool asks on the terminal.
class SaveQuestions {
 public:
  virtual ~SaveQuestions() = default;
  // A line for gpg, typed visibly or hidden; empty after cancel.
  virtual std::string AskLine(const std::string& prompt, bool hidden) = 0;
  // A yes/no question of gpg's.
  virtual bool AskYesNo(const std::string& prompt) = 0;
  // gpg said the key's passphrase was wrong; it will ask again.
  virtual void ShowBadPassphrase() = 0;
};

enum class SaveConversationEnd {
  Began,        // BEGIN_ENCRYPTION or BEGIN_SIGNING
  EndOfData,    // gpg closed its status output
  ReadFailed,   // reading a status line failed
  WriteFailed,  // an answer could not be written; `point` names it
  Cancelled,    // the user cancelled the secret key's passphrase; nothing was written
};

struct SaveConversationResult {
  SaveConversationEnd end = SaveConversationEnd::EndOfData;
  Result status = kOk;
  const ReportPoint* point = nullptr;
};

class SaveConversation : public StatusHandler {
 public:
  explicit SaveConversation(SaveQuestions& questions) : questions_(questions) {}

  // In passphrase mode the message's passphrase is given here rather than
  // on gpg's passphrase descriptor: gpg1 takes a passphrase from that
  // descriptor for every question, the signing key's too, so a protected
  // key could never sign. The hidden question after NEED_PASSPHRASE_SYM is
  // then answered with it, without asking the user again.
  void SetSymmetricPassphrase(const std::string* passphrase) { symmetric_ = passphrase; }

  SaveConversationResult Run(Fd& status, Fd& command);

  // The text the next question shows: set by passphrase announcements and
  // by every status line the conversation has no reaction of its own to.
  const std::string& prompt() const { return prompt_; }

  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override;

 private:
  SaveQuestions& questions_;
  std::string prompt_;
  const std::string* symmetric_ = nullptr;
  bool symmetricAsked_ = false;  // the last passphrase announcement was NEED_PASSPHRASE_SYM
  bool keyAsked_ = false;        // the last one was NEED_PASSPHRASE (the secret key's)
  bool cancelled_ = false;
  SaveConversationResult failed_;  // a write that failed
};

}  // namespace ambrine
