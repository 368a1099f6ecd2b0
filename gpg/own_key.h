// The user's own key: the first secret key in the rings, which signs every
// leaf and is added to every leaf's recipients.
#pragma once

#include <string>

#include "gpg/gpg_settings.h"

namespace ambrine {

struct OwnKey {
  bool found = false;
  std::string userId;
  std::string fingerprint;
};

// Lists the secret keys with gpg; `found` is false without one.
OwnKey ReadOwnKey(const GpgSettings& settings);

}  // namespace ambrine
