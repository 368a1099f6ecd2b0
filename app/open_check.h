// The checking pass of opening a leaf: gpg decrypts it to nothing while the
// program reads its status lines, answers its passphrase questions and
// learns whether decryption works and which good signatures it carries.
#pragma once

#include <string>
#include <vector>

#include "gpg/fd.h"
#include "gpg/status.h"

namespace ambrine {

// How the user is asked; the window shows input and message boxes.
class OpenQuestions {
 public:
  virtual ~OpenQuestions() = default;
  // The passphrase of the secret key (`symmetric` false) or of the message;
  // false when the user cancels.
  virtual bool AskPassphrase(bool symmetric, std::string& answer) = 0;
  // "パスフレーズに誤りがあります".
  virtual void ShowBadPassphrase() = 0;
};

enum class OpenCheckEnd {
  Finished,       // gpg ended its status output, or reading it failed
  Cancelled,      // a passphrase prompt was cancelled; `line` names it
  BadPassphrase,  // gpg rejected the passphrase
};

struct OpenCheckResult {
  OpenCheckEnd end = OpenCheckEnd::Finished;
  int line = 0;
  bool decrypted = false;      // DECRYPTION_OKAY was seen
  bool signatureSeen = false;  // GOODSIG or VALIDSIG was seen
  std::vector<std::string> goodSignatures;  // "GOODSIG <key id> <user id>"
  std::string passphrase;      // the last one the user confirmed
  bool questionRefused = false;  // gpg asked something no one answers
};

class OpenCheckDialogue {
 public:
  explicit OpenCheckDialogue(OpenQuestions& questions) : questions_(questions) {}

  // Reads `status` to its end. A question that has no answer waiting (a
  // line, or a hidden entry no passphrase was written for) closes `command`:
  // gpg then reads the end of its input and fails instead of waiting for
  // ever, and the pass ends without DECRYPTION_OKAY.
  OpenCheckResult Run(Fd& status, Fd& command);

 private:
  OpenQuestions& questions_;
};

// The "Confirm" question: each good signature's user id on a line, then
// whether any was confirmed, then "\n処理を続行しますか?".
std::string ConfirmationText(const std::vector<std::string>& goodSignatures);

}  // namespace ambrine
