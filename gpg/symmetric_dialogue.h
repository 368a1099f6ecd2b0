// The status and command dialogue of a symmetric file encryption: answers
// gpg's passphrase questions and yes/no questions until encryption or
// signing begins.
#pragma once

#include "gpg/fd.h"
#include "gpg/status.h"

namespace ambrine {

class SymmetricDialogue {
 public:
  // `keyPassphrase` answers a passphrase question after NEED_PASSPHRASE,
  // `symmetricPassphrase` one after NEED_PASSPHRASE_SYM; null answers with
  // an empty line.
  SymmetricDialogue(const char* keyPassphrase, const char* symmetricPassphrase)
      : keyPassphrase_(keyPassphrase), symmetricPassphrase_(symmetricPassphrase) {}

  // Reads status lines from `status` and answers on `command` until gpg
  // begins encrypting or signing, or ends its status output. A question for
  // a line cannot be answered: both pipes are closed then, so gpg fails
  // instead of waiting for ever. Returns the failure of a status read, else
  // 0. Failed answers are ignored; the exit code tells the outcome.
  Status Run(Fd& status, Fd& command);

 private:
  void Answer(int command, const char* text);

  const char* keyPassphrase_;
  const char* symmetricPassphrase_;
  bool symmetricNext_ = false;  // which passphrase the next GET_HIDDEN wants
};

}  // namespace ambrine
