// One key pair for the whole test binary, generated on first use.
#pragma once

#include <memory>
#include <string>

#include "support/test_keyring.h"

namespace ambrine::test {

struct SharedKeyHome {
  TempDir dir;
  TestKey key;
};

inline const SharedKeyHome& SharedKey() {
  static const std::unique_ptr<SharedKeyHome> home = [] {
    auto h = std::make_unique<SharedKeyHome>();
    h->key = MakeKey(h->dir.path(), "Window Tester (窓) <window@example.org>");
    return h;
  }();
  return *home;
}

}  // namespace ambrine::test
