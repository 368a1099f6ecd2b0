// The exact argv of every operation, as the stand-in received it.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "standin.h"

namespace ambrine {
namespace {

using Argv = std::vector<std::string>;
using test::StandIn;

// Runs a stream operation's process to its end.
void Finish(GpgEngine& engine, Result started) {
  ASSERT_EQ(kOk, started);
  int code = -1;
  ASSERT_EQ(kOk, engine.WaitForExit(&code));
  EXPECT_EQ(0, code);
}

TEST(BuildArgv, FixedOptionsKeyRingsAndDescriptorNumbers) {
  GpgEngine engine("bin/gpg", "/home/u/conf", {"/s1", "/s2"}, {"/p1", "/p2"});
  const Argv fixed{"bin/gpg", "--no-random-seed-file", "--no-default-keyring", "--always-trust",
                   "--utf8-strings", "--cipher-algo", "AES256", "--no-tty", "--force-mdc",
                   "--homedir=/home/u/conf", "--keyring=/p1", "--keyring=/p2",
                   "--secret-keyring=/s1", "--secret-keyring=/s2"};
  auto with = [&](Argv tail) {
    Argv argv = fixed;
    argv.insert(argv.end(), tail.begin(), tail.end());
    return argv;
  };
  EXPECT_EQ(with({"--decrypt"}), engine.BuildArgv({"--decrypt"}, false, false, false));
  EXPECT_EQ(with({"--passphrase-fd=3", "--command-fd=4", "--status-fd=5", "--decrypt"}),
            engine.BuildArgv({"--decrypt"}, true, true, true));
  EXPECT_EQ(with({"--status-fd=5", "x"}), engine.BuildArgv({"x"}, false, false, true));

  GpgEngine noRings("g", "h", {}, {});
  EXPECT_EQ((Argv{"g", "--no-random-seed-file", "--no-default-keyring", "--always-trust",
                  "--utf8-strings", "--cipher-algo", "AES256", "--no-tty", "--force-mdc",
                  "--homedir=h", "--command-fd=4"}),
            noRings.BuildArgv({}, false, true, false));
}

TEST(RenderArgv, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ("gpg --decrypt \"a b\" \"q\\\"uote\" \"nl\\nx\" \"\" -dash",
            GpgEngine::RenderArgv({"gpg", "--decrypt", "a b", "q\"uote", "nl\nx", "", "-dash"}));
}

TEST(OperationArgv, Encrypt) {
  StandIn standIn;
  GpgEngine engine(standIn.Settings());
  Fd statusRead, statusChild, commandWrite, commandChild;
  ASSERT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
  ASSERT_EQ(kOk, CreateOutboundPipe(commandWrite, commandChild));
  Finish(engine, engine.Encrypt({"AAAA", "-BBBB"}, Fd(), Fd(), true, "pw", std::move(statusChild),
                                std::move(commandChild)));
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--command-fd=4", "--status-fd=5", "-r",
                                  "AAAA", "-r", "-BBBB", "--sign", "--encrypt"}),
            standIn.Record().argv);

  GpgEngine plain(standIn.Settings());
  Finish(plain, plain.Encrypt({}, Fd(), Fd(), false, nullptr, Fd(), Fd()));
  EXPECT_EQ(standIn.ExpectedArgv({"--encrypt"}), standIn.Record().argv);
}

TEST(OperationArgv, EncryptSymmetricAndDecrypt) {
  StandIn standIn;
  GpgEngine symmetric(standIn.Settings());
  Finish(symmetric, symmetric.EncryptSymmetric(Fd(), Fd(), true, "pw", Fd(), Fd()));
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--sign", "--symmetric"}),
            standIn.Record().argv);

  GpgEngine noVerify(standIn.Settings());
  Finish(noVerify, noVerify.Decrypt(Fd(), Fd(), false, nullptr, Fd(), Fd()));
  EXPECT_EQ(standIn.ExpectedArgv({"--skip-verify", "--decrypt"}), standIn.Record().argv);

  Fd statusRead, statusChild;
  ASSERT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
  GpgEngine verify(standIn.Settings());
  Finish(verify, verify.Decrypt(Fd(), Fd(), true, nullptr, std::move(statusChild), Fd()));
  EXPECT_EQ(standIn.ExpectedArgv({"--status-fd=5", "--decrypt"}), standIn.Record().argv);
}

TEST(OperationArgv, FileOperations) {
  StandIn standIn;
  GpgEngine encrypt(standIn.Settings());
  EXPECT_EQ(0, encrypt.EncryptFileSymmetric("/in put", "/out \"x\".gpg", false, nullptr, "S").exitCode);
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--command-fd=4", "--status-fd=5", "-o",
                                  "/out \"x\".gpg", "--symmetric", "--", "/in put"}),
            standIn.Record().argv);
  EXPECT_EQ("S", standIn.Record().First("passphrase"));

  GpgEngine signEncrypt(standIn.Settings());
  ASSERT_EQ(kOk, signEncrypt.EncryptFileSymmetric("-in", "-out", true, nullptr, "S").status);
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--command-fd=4", "--status-fd=5",
                                  "--sign", "-o", "-out", "--symmetric", "--", "-in"}),
            standIn.Record().argv);

  GpgEngine decrypt(standIn.Settings());
  ASSERT_EQ(kOk, decrypt.DecryptFile("-in", "/o", false, "S").status);
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--skip-verify", "-o", "/o", "--batch",
                                  "--yes", "--decrypt", "--", "-in"}),
            standIn.Record().argv);

  GpgEngine verify(standIn.Settings());
  ASSERT_EQ(kOk, verify.DecryptFile("/i", "/o", true, nullptr).status);
  EXPECT_EQ(standIn.ExpectedArgv({"-o", "/o", "--batch", "--yes", "--decrypt", "--", "/i"}),
            standIn.Record().argv);
}

TEST(OperationArgv, KeyOperations) {
  StandIn standIn;
  KeyList keys;
  GpgEngine listPublic(standIn.Settings());
  ASSERT_EQ(kOk, listPublic.ListKeys(false, keys, nullptr, nullptr));
  EXPECT_EQ(standIn.ExpectedArgv({"--fixed-list-mode", "--with-colons", "--with-fingerprint",
                                  "--list-keys"}),
            standIn.Record().argv);

  const std::vector<std::string> extra{"A B", "C"};
  GpgEngine listSecret(standIn.Settings());
  ASSERT_EQ(kOk, listSecret.ListKeys(true, keys, &extra, "pw"));
  EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--fixed-list-mode", "--with-colons",
                                  "--with-fingerprint", "--list-secret-keys", "A B", "C"}),
            standIn.Record().argv);

  GpgEngine import(standIn.Settings());
  ASSERT_EQ(kOk, import.ImportKeys("-keys file.gpg", nullptr));
  EXPECT_EQ(standIn.ExpectedArgv({"--batch", "--yes", "--import", "--", "-keys file.gpg"}),
            standIn.Record().argv);

  GpgEngine exportKey(standIn.Settings());
  ASSERT_EQ(kOk, exportKey.ExportKey("ABCD", "/x y/-k.gpg", nullptr));
  EXPECT_EQ(standIn.ExpectedArgv({"--batch", "--yes", "--export", "-o", "/x y/-k.gpg", "--",
                                  "ABCD"}),
            standIn.Record().argv);

  GpgEngine deleteKey(standIn.Settings());
  ASSERT_EQ(kOk, deleteKey.DeleteKey("-ABCD", nullptr));
  EXPECT_EQ(standIn.ExpectedArgv({"--batch", "--yes", "--delete-key", "--", "-ABCD"}),
            standIn.Record().argv);
}

TEST(OperationArgv, GenerateKeyWritesTheParameterText) {
  StandIn standIn("stdin-all\n");
  auto generate = [&](KeyGenRequest request, const Argv& tail) {
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.GenerateKey(std::move(request)));
    int code = -1;
    ASSERT_EQ(kOk, engine.WaitForExit(&code));
    EXPECT_EQ(standIn.ExpectedArgv(tail), standIn.Record().argv);
  };
  const std::string head =
      "Key-Type: DSA\r\nKey-Length: 1024\r\nSubkey-Type: ELG-E\r\nSubkey-Length: 2048\r\n";

  KeyGenRequest full;
  full.secretKeyring = "/c f/secring.gpg";
  full.publicKeyring = "/c f/pubring.gpg";
  full.name = "鈴木 Taro";
  full.email = "taro@example.org";
  full.comment = "work";
  full.passphrase = "pw";
  Fd statusRead;
  ASSERT_EQ(kOk, CreateInboundPipe(statusRead, full.statusFd));
  generate(std::move(full), {"--passphrase-fd=3", "--status-fd=5", "--batch", "--gen-key"});
  EXPECT_EQ(head + "Name-Real: 鈴木 Taro\r\nName-Email: taro@example.org\r\nName-Comment: work\r\n"
                   "Expire-Date: 0\r\nPassphrase: pw\r\n%secring /c f/secring.gpg\r\n"
                   "%pubring /c f/pubring.gpg\r\n%commit\r\n",
            standIn.Record().First("stdin"));
  EXPECT_EQ("pw", standIn.Record().First("passphrase"));

  KeyGenRequest bare;
  bare.secretKeyring = "/s";
  bare.publicKeyring = "/p";
  generate(std::move(bare), {"--batch", "--gen-key"});
  EXPECT_EQ(head + "Expire-Date: 0\r\n%secring /s\r\n%pubring /p\r\n%commit\r\n",
            standIn.Record().First("stdin"));

  KeyGenRequest emptyName;
  emptyName.secretKeyring = "/s";
  emptyName.publicKeyring = "/p";
  emptyName.name = "";
  generate(std::move(emptyName), {"--batch", "--gen-key"});
  EXPECT_EQ(head + "Name-Real: \r\nExpire-Date: 0\r\n%secring /s\r\n%pubring /p\r\n%commit\r\n",
            standIn.Record().First("stdin"));

  KeyGenRequest rsa;
  rsa.type = KeyGenType::Rsa3072;
  rsa.secretKeyring = "/s";
  rsa.publicKeyring = "/p";
  rsa.name = "Rsa Taro";
  rsa.passphrase = "パス word";
  generate(std::move(rsa), {"--passphrase-fd=3", "--batch", "--gen-key"});
  EXPECT_EQ("Key-Type: RSA\r\nKey-Length: 3072\r\nKey-Usage: sign\r\n"
            "Subkey-Type: RSA\r\nSubkey-Length: 3072\r\nSubkey-Usage: encrypt\r\n"
            "Name-Real: Rsa Taro\r\nExpire-Date: 0\r\nPassphrase: パス word\r\n"
            "%secring /s\r\n%pubring /p\r\n%commit\r\n",
            standIn.Record().First("stdin"));
}

// gpg reads the parameters line by line and trims the blanks around each
// value: a text that would add a line, or a passphrase gpg would store
// trimmed, is refused before gpg starts.
TEST(OperationArgv, GenerateKeyRefusesTextsThatWouldChangeTheParameters) {
  EXPECT_TRUE(IsKeyGenPassphrase("pass word"));
  EXPECT_TRUE(IsKeyGenPassphrase("パス"));
  for (const char* bad : {" pw", "pw ", "pw\t", "p\nw", "p\rw"})
    EXPECT_FALSE(IsKeyGenPassphrase(bad)) << bad;

  StandIn standIn("stdin-all\n");
  auto refused = [&](auto change) {
    KeyGenRequest request;
    request.secretKeyring = "/s";
    request.publicKeyring = "/p";
    request.name = "Name Ok";
    change(request);
    GpgEngine engine(standIn.Settings());
    EXPECT_EQ(kInvalidData, engine.GenerateKey(std::move(request)));
    EXPECT_EQ(-1, engine.pid());  // nothing was started
  };
  refused([](KeyGenRequest& r) { r.passphrase = "pw "; });
  refused([](KeyGenRequest& r) { r.name = "Name\r\n%pubring /tmp/other"; });
  refused([](KeyGenRequest& r) { r.comment = "a\nb"; });
  refused([](KeyGenRequest& r) { r.secretKeyring = "/s\n%commit"; });
}

TEST(OperationArgv, AwkwardArgumentsArriveAsSingleElements) {
  StandIn standIn;
  const std::string odd = "-o \"quoted\" 'single' new\nline --batch";
  GpgEngine engine(AMBRINE_STANDIN, "/home with \"quote\"", {"-s ring"}, {"p\nring"});
  ASSERT_EQ(kOk, engine.DecryptFile(odd, odd, true, nullptr).status);
  EXPECT_EQ((Argv{AMBRINE_STANDIN, "--no-random-seed-file", "--no-default-keyring",
                  "--always-trust", "--utf8-strings", "--cipher-algo", "AES256", "--no-tty",
                  "--force-mdc", "--homedir=/home with \"quote\"", "--keyring=p\nring",
                  "--secret-keyring=-s ring", "-o", odd, "--batch", "--yes", "--decrypt", "--",
                  odd}),
            standIn.Record().argv);
}

}  // namespace
}  // namespace ambrine
