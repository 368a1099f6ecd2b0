#include "gpg/staged_key_ring.h"

#include <unistd.h>

#include <utility>

#include "gpg/keyring_file.h"

namespace ambrine {

StagedKeyRing::StagedKeyRing(std::string target) : target_(std::move(target)) {
  if (!KeyringHasKeys(target_)) return;
  pending_ = target_ + ".new";
  ::unlink(pending_.c_str());
}

StagedKeyRing::~StagedKeyRing() { Drop(); }

Result StagedKeyRing::Commit() {
  Result status = kOk;
  if (!pending_.empty() && KeyringHasKeys(pending_)) status = AppendKeyringFile(pending_, target_);
  Drop();
  return status;
}

void StagedKeyRing::Drop() {
  if (pending_.empty()) return;
  ::unlink(pending_.c_str());
  pending_.clear();
}

}  // namespace ambrine
