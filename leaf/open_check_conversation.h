// The checking conversation of opening a leaf: while gpg decrypts (to
// nothing, or to the leaf reader) the program answers its passphrase
// questions and learns whether decryption works and which good signatures
// the leaf carries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/fd.h"
#include "base/report_point.h"
#include "base/result.h"
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

// A good signature as the checking pass learnt it.
struct CheckedSignature {
  std::string text;         // "GOODSIG <key id> <user id>", as gpg wrote it
  std::string fingerprint;  // the signer's primary key, from its VALIDSIG; "" without one
  bool ownKey = false;      // that key is the user's own (see MarkOwnSignatures)
};

struct OpenCheckResult {
  OpenCheckEnd end = OpenCheckEnd::Finished;
  const ReportPoint* point = nullptr;
  bool decrypted = false;      // DECRYPTION_OKAY was seen
  bool signatureSeen = false;  // GOODSIG or VALIDSIG was seen
  bool symmetric = false;      // gpg asked for the message's passphrase
  bool passphraseGiven = false;  // a passphrase question was answered
  std::vector<CheckedSignature> goodSignatures;  // in gpg's order
  // Key ids of signers whose public key is not in the rings (ERRSIG for
  // that reason, NO_PUBKEY), each once, in gpg's order.
  std::vector<std::string> missingKeyIds;
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
  void NoteValidSignature(std::string_view arguments);
  void NoteMissingKey(std::string_view keyId);

  OpenQuestions& questions_;
  OpenCheckResult result_;
  int waitingAnswers_ = 0;  // passphrase lines written and not yet asked for
  // The good signature whose VALIDSIG is still to come, or -1.
  int awaitingFingerprint_ = -1;
};

// Marks the signatures made with the key of `ownFingerprint` (the user's
// own key); nothing is marked when it is empty.
void MarkOwnSignatures(OpenCheckResult& checked, const std::string& ownFingerprint);

// The "Confirm" question: each good signature's user id on a line, with
// its key's fingerprint on the next (and the own key marked), then whether
// any was confirmed, then "\n処理を続行しますか?". The user id is the
// signer's own text, so the mark goes on the fingerprint line, which only
// gpg writes.
std::string ConfirmationText(const std::vector<CheckedSignature>& goodSignatures);

// The "Question" of a leaf without a valid signature: a line for each
// signer whose public key is missing, naming its key id, then
// "有効な電子署名が見つかりません。処理を続行しますか?".
std::string NoSignatureText(const std::vector<std::string>& missingKeyIds);

}  // namespace ambrine
