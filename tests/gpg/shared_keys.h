// Two key pairs made once per test binary: Alice and Bob, each in a home of
// their own that also holds the other's public key.
#pragma once

#include "support/test_keyring.h"

namespace ambrine::test {

struct SharedKeys {
  TempDir aliceHome;
  TempDir bobHome;
  TestKey alice;
  TestKey bob;
  static constexpr const char* kAlicePassphrase = "alice \"secret\" pass";
  static constexpr const char* kBobPassphrase = "bob-pass";
};

// Generated on first use (about 1.5 s per key).
const SharedKeys& Keys();

}  // namespace ambrine::test
