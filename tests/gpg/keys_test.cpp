// Import, export and delete with the real gpg, and their exit-code mapping;
// the key management operations built on them (PublicKeyRing).
#include <gtest/gtest.h>

#include <filesystem>

#include "gpg/gpg_engine.h"
#include "gpg/public_key_ring.h"
#include "shared_keys.h"

namespace ambrine {
namespace {

KeyList PublicKeys(const std::string& home) {
  GpgEngine engine(test::SettingsFor(home));
  KeyList keys;
  EXPECT_EQ(kOk, engine.ListKeys(false, keys, nullptr, nullptr));
  return keys;
}

TEST(KeyMaintenance, ExportImportDeleteRoundTrip) {
  const auto& keys = test::Keys();
  test::TempDir dir;
  test::TempDir otherHome;
  const std::string exported = dir.File("-alice public.gpg");

  GpgEngine exporter(test::SettingsFor(keys.aliceHome));
  ASSERT_EQ(kOk, exporter.ExportKey(keys.alice.fingerprint, exported, nullptr));
  const std::string bytes = test::ReadFile(exported);
  ASSERT_FALSE(bytes.empty());
  // Exported keys hold public parts only.
  EXPECT_EQ(std::string::npos, bytes.find("secret"));

  // A relative name beginning with '-' is imported as a file, not an option.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  GpgEngine importer(test::SettingsFor(otherHome.path()));
  const Result imported = importer.ImportKeys("-alice public.gpg", nullptr);
  std::filesystem::current_path(previous);
  ASSERT_EQ(kOk, imported);
  EXPECT_EQ((KeyList{"Alice Ambrine:" + keys.alice.fingerprint}), PublicKeys(otherHome.path()));

  GpgEngine deleter(test::SettingsFor(otherHome.path()));
  ASSERT_EQ(kOk, deleter.DeleteKey(keys.alice.fingerprint, nullptr));
  EXPECT_TRUE(PublicKeys(otherHome.path()).empty());

  GpgEngine deleteAgain(test::SettingsFor(otherHome.path()));
  EXPECT_EQ(kFailure, deleteAgain.DeleteKey(keys.alice.fingerprint, nullptr));
}

TEST(KeyMaintenance, FailuresOfGpgBecomeTheGeneralFailure) {
  test::TempDir home;
  GpgEngine importMissing(test::SettingsFor(home.path()));
  EXPECT_EQ(kFailure, importMissing.ImportKeys(home.File("no such file.gpg"), nullptr));

  test::WriteFile(home.File("junk.gpg"), "not a key");
  GpgEngine importJunk(test::SettingsFor(home.path()));
  EXPECT_EQ(kFailure, importJunk.ImportKeys(home.File("junk.gpg"), nullptr));

  // "-v" after "--" is a key name, not gpg's verbose option.
  GpgEngine deleteOption(test::SettingsFor(home.path()));
  EXPECT_EQ(kFailure, deleteOption.DeleteKey("-v", nullptr));
}

TEST(KeyMaintenance, DeletingASecretKeysPublicHalfIsRefused) {
  // gpg refuses while the secret key is in the rings; the refusal is a failure.
  const auto& keys = test::Keys();
  GpgEngine engine(test::SettingsFor(keys.bobHome));
  EXPECT_EQ(kFailure, engine.DeleteKey(keys.bob.fingerprint, nullptr));
  KeyList pub = PublicKeys(keys.bobHome);
  EXPECT_EQ(2u, pub.size());
}

TEST(PublicKeyRing, ImportTouchesNoSecretRingAndTheListCarriesFacts) {
  const auto& keys = test::Keys();
  test::TempDir dir;
  test::TempDir home;
  const std::string exported = dir.File("bob.asc");
  const PublicKeyRing bobRing(test::SettingsFor(keys.bobHome));
  ASSERT_EQ(kOk, bobRing.Export(keys.bob.fingerprint, exported, true));
  EXPECT_EQ(0u, test::ReadFile(exported).rfind("-----BEGIN PGP PUBLIC KEY BLOCK-----", 0));

  const PublicKeyRing ring(test::SettingsFor(home.path()));
  ASSERT_EQ(kOk, ring.Import(exported));
  // gpg creates a secret ring it is named and that is missing; the user's
  // is never named to an import.
  EXPECT_FALSE(std::filesystem::exists(home.File("secring.gpg")));
  KeyList listed;
  KeyFactsList facts;
  ASSERT_EQ(kOk, ring.List(listed, &facts));
  EXPECT_EQ((KeyList{"Bob Ambrine:" + keys.bob.fingerprint}), listed);
  ASSERT_EQ(1u, facts.size());

  ASSERT_EQ(kOk, ring.Delete(keys.bob.fingerprint));
  ASSERT_EQ(kOk, ring.List(listed, &facts));
  EXPECT_TRUE(listed.empty());
  EXPECT_TRUE(facts.empty());
}

}  // namespace
}  // namespace ambrine
