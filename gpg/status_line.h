// gpg's status lines ("[GNUPG:] KEYWORD args") and the keywords the
// program reacts to, matched in one table.
#pragma once

#include <string>
#include <string_view>

namespace ambrine {

enum class StatusKeyword {
  None,        // not a status line, or a keyword the program ignores
  BeginEncryption,
  BeginSigning,
  NeedPassphrase,
  NeedPassphraseSym,
  GetLine,
  GetHidden,
  GetBool,
  BadPassphrase,
  GoodSig,
  ValidSig,
  ErrSig,
  NoPubkey,
  DecryptionOkay,
  Progress,
};

struct StatusLine {
  std::string_view text;       // the whole line as read
  std::string_view keyword;    // text after the prefix up to the first space
  std::string_view arguments;  // text after that space
  std::string_view afterPrefix;  // keyword and arguments
  StatusKeyword kind = StatusKeyword::None;
};

constexpr std::string_view kStatusPrefix = "[GNUPG:] ";

// Splits a line; the views point into `line`.
StatusLine ParseStatusLine(std::string_view line);

// The key id and user id of a good signature, from "GOODSIG <key id> <user
// id>" (a status line's text after the prefix). Without a second space the
// text after the first is the user id.
struct GoodSignature {
  std::string keyId;
  std::string userId;
};
GoodSignature SplitGoodSignature(std::string_view afterPrefix);

// Field `index` (from 0) of a status line's arguments, separated by single
// spaces; "" when there are fewer fields.
std::string_view StatusField(std::string_view arguments, int index);

// Whether `text` is a non-empty run of hexadecimal digits (a key id or a
// fingerprint as gpg prints it).
bool IsHexText(std::string_view text);

// The fingerprints of "VALIDSIG <fpr> <date> <time> <expiry> <version>
// <reserved> <pk algo> <hash algo> <class> [<primary fpr>]" (the line's
// arguments): the key that made the signature, which may be a subkey, and
// the primary key it belongs to. `primary` is the signing key's own when
// gpg names no primary key. Both are "" when the first field is not hex.
struct ValidSignature {
  std::string signing;
  std::string primary;
};
ValidSignature SplitValidSignature(std::string_view arguments);

}  // namespace ambrine
