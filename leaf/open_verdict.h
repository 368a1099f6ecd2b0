// What one decryption of a leaf came to, decided in one place from what gpg
// said in the pass and what the reader took. The window, the command-line
// tool and search each turn the verdict into their own words.
#pragma once

#include "base/result.h"
#include "leaf/open_check_conversation.h"
#include "leaf/plain_form_page.h"

namespace ambrine {

enum class OpenVerdict {
  Read,        // decrypted, and the whole leaf message was read
  ReadInPart,  // decrypted; the page and the form text were read, a later
               // part (an attachment) was not: the window shows what it has
  NotALeaf,    // decrypted, but the page or the form text could not be read
               // (not a leaf message, or a damaged one)
  NotDecryptable,      // no DECRYPTION_OKAY, and no message passphrase was asked
  WrongPassphrase,     // a message passphrase was given and gpg did not decrypt
  PassphraseRejected,  // gpg said BAD_PASSPHRASE: a secret key's passphrase was wrong
  PassphraseNeeded,    // a passphrase prompt went unanswered, none given before
  AnswersRanOut,       // gpg asked again after a passphrase was given, and no
                       // answer came: the one given did not do
};

// The verdict of a pass whose gpg ran (LeafFile::ReadInOnePass returned
// success): `checked` is what gpg said, `page` and `readResult` what the
// reader took and how its read ended.
OpenVerdict JudgeOpen(const OpenCheckResult& checked, const PlainFormPage& page,
                      Result readResult);

}  // namespace ambrine
