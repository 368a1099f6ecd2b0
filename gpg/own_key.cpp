#include "gpg/own_key.h"

#include "gpg/gpg_engine.h"
#include "gpg/key_list.h"

namespace ambrine {

OwnKey ReadOwnKey(const GpgSettings& settings) {
  OwnKey key;
  GpgEngine engine(settings);
  KeyList keys;
  if (Failed(engine.ListKeys(true, keys, nullptr, nullptr)) || keys.empty()) return key;
  const KeyEntry entry = SplitKeyEntry(keys.front());
  key.found = true;
  key.userId = entry.userId;
  key.fingerprint = entry.fingerprint;
  return key;
}

}  // namespace ambrine
