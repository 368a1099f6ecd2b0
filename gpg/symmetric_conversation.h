// gpg's questions during a symmetric file encryption: the announced
// passphrase for each hidden question, yes to every yes/no question, until
// encryption or signing begins.
#pragma once

#include "base/fd.h"
#include "base/result.h"
#include "gpg/status_driver.h"

namespace ambrine {

class SymmetricConversation : public StatusHandler {
 public:
  // `keyPassphrase` answers a passphrase question after NEED_PASSPHRASE,
  // `symmetricPassphrase` one after NEED_PASSPHRASE_SYM; null answers with
  // an empty line.
  SymmetricConversation(const char* keyPassphrase, const char* symmetricPassphrase)
      : keyPassphrase_(keyPassphrase), symmetricPassphrase_(symmetricPassphrase) {}

  // Talks with gpg until it begins encrypting or signing, or ends its status
  // output. A question for a line cannot be answered: both pipes are closed
  // then, so gpg fails instead of waiting for ever. Returns the failure of a
  // status read, else 0. Failed answers are ignored; the exit code tells the
  // outcome.
  Result Run(Fd& status, Fd& command);

  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override;

 private:
  const char* keyPassphrase_;
  const char* symmetricPassphrase_;
  bool symmetricNext_ = false;  // which passphrase the next GET_HIDDEN wants
  bool lineAsked_ = false;      // gpg asked for a line
};

}  // namespace ambrine
