#include "shared_keys.h"

#include <memory>

namespace ambrine::test {

const SharedKeys& Keys() {
  // Destroyed at exit, which removes the homes.
  static const std::unique_ptr<SharedKeys> keys = [] {
    auto made = std::make_unique<SharedKeys>();
    made->alice = MakeKey(made->aliceHome.path(), "Alice Ambrine", SharedKeys::kAlicePassphrase);
    made->bob = MakeKey(made->bobHome.path(), "Bob Ambrine", SharedKeys::kBobPassphrase);
    CopyPublicKey(made->aliceHome.path(), made->bobHome.path(), made->alice.fingerprint);
    CopyPublicKey(made->bobHome.path(), made->aliceHome.path(), made->bob.fingerprint);
    return made;
  }();
  return *keys;
}

}  // namespace ambrine::test
