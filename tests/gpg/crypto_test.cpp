// Stream encryption and decryption with the real gpg, data through pipes
// and files, status lines on the status pipe.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "gpg/status_line.h"
#include "shared_keys.h"

namespace ambrine {
namespace {

using test::Keys;
using test::SharedKeys;

Fd OpenRead(const std::string& path) { return Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)); }
Fd OpenWrite(const std::string& path) {
  return Fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
}

std::vector<StatusKeyword> ReadStatus(const Fd& status) {
  std::vector<StatusKeyword> kinds;
  std::string line;
  std::size_t consumed = 0;
  while (Succeeded(ReadPipeLine(status.get(), line, &consumed)) && consumed > 0) {
    kinds.push_back(ParseStatusLine(line).kind);
  }
  return kinds;
}

bool Contains(const std::vector<StatusKeyword>& kinds, StatusKeyword kind) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

std::string ReadAll(const Fd& fd) {
  std::string bytes;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd.get(), buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
  return bytes;
}

struct Decrypted {
  int exitCode = -1;
  std::string plain;
  std::vector<StatusKeyword> status;
};

Decrypted DecryptIn(const std::string& home, const std::string& file, const char* passphrase) {
  Decrypted result;
  GpgEngine engine(test::SettingsFor(home));
  Fd outRead, outChild, statusRead, statusChild;
  EXPECT_EQ(kOk, CreateInboundPipe(outRead, outChild));
  EXPECT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
  EXPECT_EQ(kOk, engine.Decrypt(OpenRead(file), std::move(outChild), true, passphrase,
                                std::move(statusChild), Fd()));
  // Small messages: the output fits the pipe while the status is read.
  result.status = ReadStatus(statusRead);
  result.plain = ReadAll(outRead);
  EXPECT_EQ(kOk, engine.WaitForExit(&result.exitCode));
  return result;
}

TEST(Encrypt, SignedForTwoRecipientsEachOfWhomDecryptsAndVerifies) {
  const auto& keys = Keys();
  test::TempDir dir;
  const std::string message = "leaf message\r\n日本語\n";
  {
    GpgEngine engine(test::SettingsFor(keys.aliceHome));
    Fd inWrite, inChild, statusRead, statusChild;
    ASSERT_EQ(kOk, CreateOutboundPipe(inWrite, inChild));
    ASSERT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
    ASSERT_EQ(kOk, engine.Encrypt({keys.alice.fingerprint, keys.bob.fingerprint}, std::move(inChild),
                                  OpenWrite(dir.File("leaf.gpg")), true,
                                  SharedKeys::kAlicePassphrase, std::move(statusChild), Fd()));
    ASSERT_EQ(kOk, WritePipeString(inWrite.get(), message));
    inWrite.reset();
    const auto status = ReadStatus(statusRead);
    EXPECT_TRUE(Contains(status, StatusKeyword::BeginEncryption));
    int code = -1;
    ASSERT_EQ(kOk, engine.WaitForExit(&code));
    ASSERT_EQ(0, code);
  }
  const Decrypted byAlice = DecryptIn(keys.aliceHome, dir.File("leaf.gpg"),
                                      SharedKeys::kAlicePassphrase);
  EXPECT_EQ(0, byAlice.exitCode);
  EXPECT_EQ(message, byAlice.plain);
  EXPECT_TRUE(Contains(byAlice.status, StatusKeyword::GoodSig));
  EXPECT_TRUE(Contains(byAlice.status, StatusKeyword::DecryptionOkay));

  const Decrypted byBob = DecryptIn(keys.bobHome, dir.File("leaf.gpg"),
                                    SharedKeys::kBobPassphrase);
  EXPECT_EQ(0, byBob.exitCode);
  EXPECT_EQ(message, byBob.plain);
  EXPECT_TRUE(Contains(byBob.status, StatusKeyword::GoodSig));
  EXPECT_TRUE(Contains(byBob.status, StatusKeyword::DecryptionOkay));
}

TEST(Encrypt, SomeoneWhoIsNotARecipientCannotDecrypt) {
  const auto& keys = Keys();
  test::TempDir dir;
  test::WriteFile(dir.File("plain"), "for alice only");
  GpgEngine engine(test::SettingsFor(keys.aliceHome));
  ASSERT_EQ(kOk, engine.Encrypt({keys.alice.fingerprint}, OpenRead(dir.File("plain")),
                                OpenWrite(dir.File("sealed")), false, nullptr, Fd(), Fd()));
  int code = -1;
  ASSERT_EQ(kOk, engine.WaitForExit(&code));
  ASSERT_EQ(0, code);

  const Decrypted byBob = DecryptIn(keys.bobHome, dir.File("sealed"), SharedKeys::kBobPassphrase);
  EXPECT_NE(0, byBob.exitCode);
  EXPECT_EQ("", byBob.plain);
  EXPECT_FALSE(Contains(byBob.status, StatusKeyword::DecryptionOkay));
}

TEST(EncryptSymmetric, PassphraseThroughItsPipeThenDecrypt) {
  test::TempDir dir;
  const std::string home = dir.path();
  const std::string passphrase = "9F3A0C11D2E4B5A6";
  {
    GpgEngine engine(test::SettingsFor(home));
    Fd inWrite, inChild;
    ASSERT_EQ(kOk, CreateOutboundPipe(inWrite, inChild));
    ASSERT_EQ(kOk, engine.EncryptSymmetric(std::move(inChild), OpenWrite(dir.File("temp.gpg")),
                                           false, passphrase.c_str(), Fd(), Fd()));
    ASSERT_EQ(kOk, WritePipeString(inWrite.get(), "temporary attachment"));
    inWrite.reset();
    int code = -1;
    ASSERT_EQ(kOk, engine.WaitForExit(&code));
    ASSERT_EQ(0, code);
  }
  const Decrypted right = DecryptIn(home, dir.File("temp.gpg"), passphrase.c_str());
  EXPECT_EQ(0, right.exitCode);
  EXPECT_EQ("temporary attachment", right.plain);
  EXPECT_TRUE(Contains(right.status, StatusKeyword::DecryptionOkay));

  const Decrypted wrong = DecryptIn(home, dir.File("temp.gpg"), "0000000000000000");
  EXPECT_NE(0, wrong.exitCode);
  EXPECT_TRUE(Contains(wrong.status, StatusKeyword::BadPassphrase) ||
              !Contains(wrong.status, StatusKeyword::DecryptionOkay));
  EXPECT_EQ("", wrong.plain);
}

}  // namespace
}  // namespace ambrine
