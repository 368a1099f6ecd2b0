// What search needs of one leaf, read in one gpg run without asking anyone:
// the form's values, the page's text, the attachments' names and who
// signed it. The attachments' bytes pass through and are dropped.
#pragma once

#include <string>
#include <vector>

#include "gpg/gpg_settings.h"

namespace ambrine {

// How reading a leaf for search ended. The names are kept in the search
// index, so their numbers must not change.
enum class LeafReading {
  Read = 0,               // `contents` holds the leaf
  NotEncrypted = 1,       // the file does not start as an encrypted message: not a leaf
  Unreadable = 2,         // the file could not be opened or read
  NotDecryptable = 3,     // no key of the user's opens it
  NeedsPassphrase = 4,    // made with a passphrase, and none was given
  WrongPassphrase = 5,    // the passphrase given did not open it
  KeyNeedsPassphrase = 6, // the user's secret key wants a passphrase, none was given
  Broken = 7,             // decrypted, but not a whole leaf message
};

struct LeafContents {
  LeafContents() = default;
  LeafContents(const LeafContents&) = default;
  LeafContents& operator=(const LeafContents&) = default;
  LeafContents(LeafContents&&) = default;
  LeafContents& operator=(LeafContents&&) = default;
  ~LeafContents();  // wipes the texts

  std::string formText;      // the form's values (FormValuesText)
  std::string documentText;  // the page's text (DocumentText)
  std::vector<std::string> attachmentNames;
  std::string signerUserId;       // the first good signature's; "" when none
  std::string signerFingerprint;  // its primary key's; "" when gpg named none
  bool passphraseLeaf = false;    // made with a passphrase: never kept in an index
};

// Reads the leaf at `path` with gpg, answering gpg's passphrase questions
// with `passphrase` (when not null) and nothing else. Never asks, never
// reports; the outcome says why a leaf could not be read.
LeafReading ReadLeafContents(const GpgSettings& settings, const std::string& path,
                             const std::string* passphrase, LeafContents& contents);

}  // namespace ambrine
