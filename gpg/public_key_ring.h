// The key management operations on the user's public keys: listing them,
// importing a key file, exporting a key and deleting one. Each runs gpg1
// to its end on the calling thread, with an engine of its own.
#pragma once

#include <string>

#include "base/result.h"
#include "gpg/gpg_settings.h"
#include "gpg/key_facts.h"
#include "gpg/key_list.h"

namespace ambrine {

class PublicKeyRing {
 public:
  // Where gpg is and which rings are the user's; copied.
  explicit PublicKeyRing(const GpgSettings& settings);

  // The public keys of every ring, in gpg's order; with `facts`, one
  // KeyFacts per entry as well. On a failure the lists hold what gpg gave.
  Result List(KeyList& keys, KeyFactsList* facts = nullptr) const;

  // Adds the keys of the file `path` to the public rings. The null device
  // is the only secret ring gpg is given: an imported file's secret keys
  // never reach the user's secret key ring.
  Result Import(const std::string& path) const;

  // Writes the key `fingerprint` to `path`: binary, or with `armor` ASCII
  // armour to paste into an e-mail.
  Result Export(const std::string& fingerprint, const std::string& path, bool armor) const;

  // Deletes the public key `fingerprint`; gpg refuses (kFailure) while its
  // secret key is in the rings.
  Result Delete(const std::string& fingerprint) const;

 private:
  GpgSettings settings_;
};

}  // namespace ambrine
