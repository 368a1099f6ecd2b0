// Two key pairs shared by the tests of a run: Alice and Bob, each in a home
// of their own that also holds the other's public key. Under CTest they are
// made once per run by the binary's --make-keys mode into the folder named
// by AMB_TEST_KEYS_DIR; a binary started by hand makes them on first use.
#pragma once

#include <memory>
#include <string>

#include "support/test_keyring.h"

namespace ambrine::test {

struct SharedKeys {
  std::string aliceHome;
  std::string bobHome;
  TestKey alice;
  TestKey bob;
  std::unique_ptr<TempDir> scratch;  // when made for this process only
  static constexpr const char* kAlicePassphrase = "alice \"secret\" pass";
  static constexpr const char* kBobPassphrase = "bob-pass";
};

const SharedKeys& Keys();

// Makes both key pairs under `folder` (emptied first) and notes their
// fingerprints there for Keys().
void MakeSharedKeys(const std::string& folder);

}  // namespace ambrine::test
