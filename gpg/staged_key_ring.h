// A key ring that gpg writes new keys to without losing the keys already
// in the user's ring: gpg1 replaces a ring it is told to write a new key
// to, so when the user's ring holds keys, gpg writes to a new ring beside
// it ("<ring>.new"), which is added to the user's ring once gpg succeeded.
#pragma once

#include <string>

#include "base/result.h"

namespace ambrine {

class StagedKeyRing {
 public:
  // `target`: the user's ring ("" for none). A stale "<target>.new" left
  // by an earlier run is removed.
  explicit StagedKeyRing(std::string target);
  ~StagedKeyRing();  // removes the new ring when it is still there

  StagedKeyRing(const StagedKeyRing&) = delete;
  StagedKeyRing& operator=(const StagedKeyRing&) = delete;

  // The ring gpg is told to write: the target itself while it holds no
  // keys, else the new ring beside it.
  const std::string& path() const { return pending_.empty() ? target_ : pending_; }

  // Adds the keys gpg wrote to the new ring to the target and removes the
  // new ring. Nothing to add (gpg wrote the target, or wrote nothing) is kOk.
  Result Commit();

 private:
  void Drop();

  std::string target_;
  std::string pending_;
};

}  // namespace ambrine
