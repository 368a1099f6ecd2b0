// The checking conversation of opening a leaf: while gpg decrypts (to
// nothing, or to the leaf reader) the program answers its passphrase
// questions and learns whether decryption works and which good signatures
// the leaf carries.
#pragma once

#include <string>
#include <vector>

#include "base/fd.h"
#include "base/report_point.h"
#include "base/status.h"
#include "gpg/status_driver.h"

namespace ambrine {

// How the user is asked for passphrases; the window shows input and
// message boxes, the command-line tool asks on the terminal.
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
  Cancelled,      // a passphrase prompt was cancelled; `point` names it
  BadPassphrase,  // gpg rejected the passphrase
};

struct OpenCheckResult {
  OpenCheckEnd end = OpenCheckEnd::Finished;
  const ReportPoint* point = nullptr;
  bool decrypted = false;      // DECRYPTION_OKAY was seen
  bool signatureSeen = false;  // GOODSIG or VALIDSIG was seen
  bool symmetric = false;      // gpg asked for the message's passphrase
  std::vector<std::string> goodSignatures;  // "GOODSIG <key id> <user id>"
  std::string passphrase;      // the last one the user confirmed
  bool questionRefused = false;  // gpg asked something no one answers
};

class OpenCheckConversation : public StatusHandler {
 public:
  explicit OpenCheckConversation(OpenQuestions& questions) : questions_(questions) {}

  // Reads `status` to its end. A question that has no answer waiting (a
  // line, or a hidden entry no passphrase was written for) closes `command`:
  // gpg then reads the end of its input and fails instead of waiting for
  // ever, and the pass ends without DECRYPTION_OKAY.
  OpenCheckResult Run(Fd& status, Fd& command);

  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override;

 private:
  OpenQuestions& questions_;
  OpenCheckResult result_;
  int waitingAnswers_ = 0;  // passphrase lines written and not yet asked for
};

// The "Confirm" question: each good signature's user id on a line, then
// whether any was confirmed, then "\n処理を続行しますか?".
std::string ConfirmationText(const std::vector<std::string>& goodSignatures);

}  // namespace ambrine
