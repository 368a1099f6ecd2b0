// Key-ring files as gpg1 keeps them: a plain sequence of OpenPGP packets, so
// the keys of one ring are added to another by appending its bytes.
#pragma once

#include <string>

#include "base/result.h"

namespace ambrine {

// True when the file exists and is not empty.
bool KeyringHasKeys(const std::string& path);

// Appends the whole content of `from` to `to` (created owner-only when
// missing).
Result AppendKeyringFile(const std::string& from, const std::string& to);

}  // namespace ambrine
