#include "leaf/open_verdict.h"

namespace ambrine {

OpenVerdict JudgeOpen(const OpenCheckResult& checked, const PlainFormPage& page,
                      Result readResult) {
  if (checked.end == OpenCheckEnd::BadPassphrase) return OpenVerdict::PassphraseRejected;
  if (checked.end == OpenCheckEnd::Cancelled) {
    return checked.passphraseGiven ? OpenVerdict::AnswersRanOut : OpenVerdict::PassphraseNeeded;
  }
  if (!checked.decrypted) {
    // gpg1 says DECRYPTION_FAILED, not BAD_PASSPHRASE, for a wrong message
    // passphrase. The pass only goes on after its question was answered, so
    // a passphrase was given: it is the likely cause (damage is the other).
    return checked.symmetric ? OpenVerdict::WrongPassphrase : OpenVerdict::NotDecryptable;
  }
  if (!page.documentLoaded || !page.formRestored) return OpenVerdict::NotALeaf;
  return Failed(readResult) ? OpenVerdict::ReadInPart : OpenVerdict::Read;
}

}  // namespace ambrine
