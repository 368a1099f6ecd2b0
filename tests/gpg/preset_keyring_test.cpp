// Preset key rings: which files count as key rings, and a key that is only
// in a preset ring is listed and encrypted to by the real gpg1.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "gpg/gpg_engine.h"
#include "gpg/keyring_check.h"
#include "gpg/openpgp_packet.h"
#include "gpg/pipe_io.h"
#include "shared_keys.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::Keys;
using test::ReadFile;
using test::SharedKeys;
using test::WriteFile;

Fd OpenRead(const std::string& path) { return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); }
Fd OpenWrite(const std::string& path) {
  return Fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

// Bob's public key as gpg1 exports it: what a preset ring holds.
std::string ExportBob(const test::TempDir& dir) {
  const std::string path = dir.File("bob-export.gpg");
  GpgEngine engine(test::SettingsFor(Keys().aliceHome));
  EXPECT_EQ(kOk, engine.ExportKey(Keys().bob.fingerprint, path, nullptr));
  return path;
}

// A message to Alice as the save writes it: public-key encrypted, signed.
void EncryptToAlice(const std::string& plainPath, const std::string& outPath) {
  GpgEngine engine(test::SettingsFor(Keys().aliceHome));
  ASSERT_EQ(kOk, engine.Encrypt({Keys().alice.fingerprint}, OpenRead(plainPath), OpenWrite(outPath),
                                true, SharedKeys::kAlicePassphrase, Fd(), Fd()));
  ASSERT_EQ(kOk, engine.Finish().status);
}

std::string RandomBytes(unsigned seed, std::size_t size) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// The exit code of `gpg --list-keys` over the settings' rings.
int ListKeysExitCode(const GpgSettings& settings) {
  GpgEngine engine(settings);
  EXPECT_EQ(kOk, engine.Run({"--list-keys"}, nullptr, Fd(), Fd()));
  return engine.Finish().exitCode;
}

TEST(KeyringCheck, RingsWrittenByGpgAreKeyRings) {
  test::TempDir dir;
  const std::string exported = ExportBob(dir);
  EXPECT_TRUE(IsPublicKeyringFile(exported));
  // gpg's own ring: two keys and the trust packets gpg keeps there.
  EXPECT_TRUE(IsPublicKeyringFile(Keys().aliceHome + "/pubring.gpg"));

  // The same key with the first header in the new packet format (tag 6,
  // two-octet length); gpg reads it as well.
  const std::string old = ReadFile(exported);
  ASSERT_GE(old.size(), 3u);
  ASSERT_EQ(0x99, static_cast<unsigned char>(old[0]));  // old format, tag 6, two-byte length
  const unsigned length = static_cast<unsigned char>(old[1]) << 8 | static_cast<unsigned char>(old[2]);
  ASSERT_TRUE(length >= 192 && length < 8384);
  std::string converted;
  converted += static_cast<char>(0xC6);
  converted += static_cast<char>(((length - 192) >> 8) + 192);
  converted += static_cast<char>((length - 192) & 0xFF);
  converted += old.substr(3);
  WriteFile(dir.File("new-format.gpg"), converted);
  EXPECT_TRUE(IsPublicKeyringFile(dir.File("new-format.gpg")));

  GpgSettings settings = test::SettingsFor(dir.path());
  settings.publicKeyrings = {dir.File("new-format.gpg")};
  KeyList keys;
  ASSERT_EQ(kOk, GpgEngine(settings).ListKeys(false, keys, nullptr, nullptr));
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(Keys().bob.fingerprint, SplitKeyEntry(keys[0]).fingerprint);
}

bool FileStartsAsEncryptedMessage(const std::string& path) {
  const std::string head = ReadFile(path).substr(0, 2);
  return StartsAsEncryptedMessage(reinterpret_cast<const unsigned char*>(head.data()), head.size());
}

// What gpg1 writes for a message starts with a session key packet; a key
// ring, a plain file or a stray byte does not.
TEST(OpenPgpPacket, EncryptedMessagesAreToldByTheirFirstPacket) {
  test::TempDir dir;
  WriteFile(dir.File("form.html"), "<html><body>記録</body></html>");
  EncryptToAlice(dir.File("form.html"), dir.File("to-alice.gpg"));
  EXPECT_TRUE(FileStartsAsEncryptedMessage(dir.File("to-alice.gpg")));
  EXPECT_EQ(1, PacketTag(static_cast<unsigned char>(ReadFile(dir.File("to-alice.gpg"))[0])));
  {
    GpgEngine engine(test::SettingsFor(dir.path()));
    ASSERT_EQ(kOk, engine.EncryptFileSymmetric(dir.File("form.html"), dir.File("symmetric.gpg"),
                                               false, nullptr, "pass phrase")
                       .status);
  }
  EXPECT_TRUE(FileStartsAsEncryptedMessage(dir.File("symmetric.gpg")));
  EXPECT_EQ(3, PacketTag(static_cast<unsigned char>(ReadFile(dir.File("symmetric.gpg"))[0])));

  EXPECT_FALSE(FileStartsAsEncryptedMessage(ExportBob(dir))) << "a key ring";
  EXPECT_FALSE(FileStartsAsEncryptedMessage(dir.File("form.html")));
  EXPECT_FALSE(StartsAsEncryptedMessage(nullptr, 0));

  // Encrypted data in either header format; a cleared high bit is no packet.
  const unsigned char newTag18 = 0xC0 | 18, newTag9 = 0xC0 | 9, oldTag9 = 0x80 | (9 << 2);
  const unsigned char oldTag6 = 0x80 | (6 << 2), noPacket = 0x7F;
  EXPECT_TRUE(StartsAsEncryptedMessage(&newTag18, 1));
  EXPECT_TRUE(StartsAsEncryptedMessage(&newTag9, 1));
  EXPECT_TRUE(StartsAsEncryptedMessage(&oldTag9, 1));
  EXPECT_FALSE(StartsAsEncryptedMessage(&oldTag6, 1));
  EXPECT_EQ(0, PacketTag(noPacket));
  EXPECT_FALSE(StartsAsEncryptedMessage(&noPacket, 1));

  // Header lengths of both formats.
  PacketHeader header;
  const unsigned char twoOctet[] = {0xC6, 0xC1, 0x10};  // new, tag 6, (1 << 8) + 16 + 192
  ASSERT_TRUE(ParsePacketHeader(twoOctet, sizeof twoOctet, header));
  EXPECT_EQ(6, header.tag);
  EXPECT_EQ(3u, header.headerSize);
  EXPECT_EQ(256u + 16 + 192, header.bodySize);
  EXPECT_FALSE(ParsePacketHeader(twoOctet, 2, header)) << "cut short";
  const unsigned char oldFour[] = {0x80 | (6 << 2) | 2, 0, 1, 0, 2};
  ASSERT_TRUE(ParsePacketHeader(oldFour, sizeof oldFour, header));
  EXPECT_EQ(5u, header.headerSize);
  EXPECT_EQ(65538u, header.bodySize);
  const unsigned char partial[] = {0xCB, 0xE1};
  EXPECT_FALSE(ParsePacketHeader(partial, sizeof partial, header)) << "partial length";
}

TEST(KeyringCheck, OtherFilesAreNotKeyRings) {
  test::TempDir dir;
  WriteFile(dir.File("form.html"), "<html><body>記録</body></html>");

  EncryptToAlice(dir.File("form.html"), dir.File("index.gpg"));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("index.gpg"))) << "a saved leaf";

  {
    GpgEngine engine(test::SettingsFor(dir.path()));
    ASSERT_EQ(kOk, engine.EncryptFileSymmetric(dir.File("form.html"), dir.File("symmetric.gpg"),
                                               false, nullptr, "pass phrase")
                       .status);
  }
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("symmetric.gpg"))) << "a passphrase message";
  EXPECT_FALSE(IsPublicKeyringFile(Keys().aliceHome + "/secring.gpg")) << "a secret key ring";

  WriteFile(dir.File("empty.gpg"), "");
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("empty.gpg")));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("missing.gpg")));
  fs::create_directory(dir.File("folder.gpg"));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("folder.gpg")));

  for (unsigned seed = 1; seed <= 64; ++seed) {
    WriteFile(dir.File("random.gpg"), RandomBytes(seed, 1 + seed * 37));
    EXPECT_FALSE(IsPublicKeyringFile(dir.File("random.gpg"))) << "random bytes, seed " << seed;
  }

  // Damaged rings: gpg would stop at the broken packet.
  const std::string ring = ReadFile(ExportBob(dir));
  WriteFile(dir.File("cut.gpg"), ring.substr(0, ring.size() - 1));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("cut.gpg"))) << "last packet cut short";
  WriteFile(dir.File("tail.gpg"), ring + RandomBytes(7, 40));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("tail.gpg"))) << "bytes after the last packet";
  WriteFile(dir.File("header-only.gpg"), ring.substr(0, 3) + RandomBytes(9, 600));
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("header-only.gpg"))) << "a key header, then noise";
  std::string version5 = ring;
  version5[3] = 5;
  WriteFile(dir.File("v5.gpg"), version5);
  EXPECT_FALSE(IsPublicKeyringFile(dir.File("v5.gpg"))) << "a key version gpg1 cannot read";
}

// A program folder whose preset/ holds Bob's exported key beside a saved
// leaf, an empty file and noise, and a conf folder with Alice's key pair
// only.
class PresetFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(program_.File("preset"));
    fs::copy_file(ExportBob(program_), program_.File("preset/bob.gpg"));
    WriteFile(program_.File("form.html"), "<html></html>");
    EncryptToAlice(program_.File("form.html"), program_.File("preset/index.gpg"));
    WriteFile(program_.File("preset/empty.gpg"), "");
    WriteFile(program_.File("preset/noise.gpg"), RandomBytes(3, 500));

    test::CopyPublicKey(Keys().aliceHome, conf_.path(), Keys().alice.fingerprint);
    // The import left an empty secret ring there.
    fs::copy_file(Keys().aliceHome + "/secring.gpg", conf_.File("secring.gpg"),
                  fs::copy_options::overwrite_existing);
    settings_ = BaseSettings(AMBRINE_GPG1, conf_.path());
    AddPresetKeyrings(program_.path() + "/", settings_);
  }

  test::TempDir program_;
  test::TempDir conf_;
  GpgSettings settings_;
};

TEST_F(PresetFolderTest, OnlyKeyRingsAreAddedWithTheirFullPaths) {
  EXPECT_EQ((std::vector<std::string>{conf_.File("pubring.gpg"), program_.File("preset/bob.gpg")}),
            settings_.publicKeyrings);
  EXPECT_EQ(0, ListKeysExitCode(settings_));

  // A program folder named relative to the current folder still gives a
  // path gpg does not look up in its home folder.
  const fs::path current = fs::current_path();
  fs::current_path(program_.path());
  GpgSettings relative = BaseSettings(AMBRINE_GPG1, conf_.path());
  AddPresetKeyrings("./", relative);
  fs::current_path(current);
  ASSERT_EQ(2u, relative.publicKeyrings.size());
  EXPECT_EQ(fs::path(program_.File("preset/bob.gpg")),
            fs::weakly_canonical(relative.publicKeyrings[1]));
  EXPECT_TRUE(fs::path(relative.publicKeyrings[1]).is_absolute());
}

TEST_F(PresetFolderTest, KeyOnlyInAPresetRingIsListedAndEncryptedTo) {
  KeyList keys;
  ASSERT_EQ(kOk, GpgEngine(settings_).ListKeys(false, keys, nullptr, nullptr));
  std::vector<std::string> fingerprints;
  for (const auto& entry : keys) fingerprints.push_back(SplitKeyEntry(entry).fingerprint);
  EXPECT_EQ((std::vector<std::string>{Keys().alice.fingerprint, Keys().bob.fingerprint}),
            fingerprints);

  // Signed by Alice for Bob, as a save to a preset recipient does.
  const std::string message = "プリセットの鍵へ\n";
  WriteFile(program_.File("plain"), message);
  {
    GpgEngine engine(settings_);
    ASSERT_EQ(kOk, engine.Encrypt({Keys().bob.fingerprint}, OpenRead(program_.File("plain")),
                                  OpenWrite(program_.File("for-bob.gpg")), true,
                                  SharedKeys::kAlicePassphrase, Fd(), Fd()));
    ASSERT_EQ(kOk, engine.Finish().status);
  }
  GpgEngine bob(test::SettingsFor(Keys().bobHome));
  EXPECT_EQ(0, bob.DecryptFile(program_.File("for-bob.gpg"), program_.File("decrypted"), false,
                               SharedKeys::kBobPassphrase)
                   .exitCode);
  EXPECT_EQ(message, ReadFile(program_.File("decrypted")));
}

}  // namespace
}  // namespace ambrine
