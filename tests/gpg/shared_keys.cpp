#include "shared_keys.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ambrine::test {

namespace {

constexpr const char* kNoteName = "/fingerprints";

void Generate(SharedKeys& keys, const std::string& folder) {
  keys.aliceHome = folder + "/alice";
  keys.bobHome = folder + "/bob";
  std::filesystem::create_directories(keys.aliceHome);
  std::filesystem::create_directories(keys.bobHome);
  keys.alice = MakeKey(keys.aliceHome, "Alice Ambrine", SharedKeys::kAlicePassphrase);
  keys.bob = MakeKey(keys.bobHome, "Bob Ambrine", SharedKeys::kBobPassphrase);
  CopyPublicKey(keys.aliceHome, keys.bobHome, keys.alice.fingerprint);
  CopyPublicKey(keys.bobHome, keys.aliceHome, keys.bob.fingerprint);
}

// Keys made earlier in this run by --make-keys, if they are there.
bool Load(SharedKeys& keys, const std::string& folder) {
  std::ifstream note(folder + kNoteName);
  std::string alice, bob;
  if (!(note >> alice >> bob)) return false;
  keys.aliceHome = folder + "/alice";
  keys.bobHome = folder + "/bob";
  keys.alice = {"Alice Ambrine", alice};
  keys.bob = {"Bob Ambrine", bob};
  return true;
}

}  // namespace

void MakeSharedKeys(const std::string& folder) {
  std::filesystem::remove_all(folder);
  SharedKeys keys;
  Generate(keys, folder);
  std::ofstream(folder + kNoteName) << keys.alice.fingerprint << '\n' << keys.bob.fingerprint << '\n';
}

const SharedKeys& Keys() {
  static const std::unique_ptr<SharedKeys> keys = [] {
    auto made = std::make_unique<SharedKeys>();
    const char* folder = std::getenv("AMB_TEST_KEYS_DIR");
    if (!folder || !Load(*made, folder)) {
      made->scratch = std::make_unique<TempDir>();  // removed at exit
      Generate(*made, made->scratch->path());
    }
    return made;
  }();
  return *keys;
}

}  // namespace ambrine::test
