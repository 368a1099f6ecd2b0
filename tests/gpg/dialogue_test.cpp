// The status dialogue of EncryptFileSymmetric: against the stand-in, whose
// script plays gpg's side line by line, and against the real gpg.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "gpg/gpg_engine.h"
#include "shared_keys.h"
#include "standin.h"

namespace ambrine {
namespace {

using test::StandIn;

TEST(SymmetricConversation, AnswersEachPassphraseQuestionWithTheAnnouncedPassphrase) {
  StandIn standIn(
      "status NEED_PASSPHRASE_SYM 9 3 2\n"
      "status GET_HIDDEN passphrase.enter\n"
      "command-line\n"
      "status USERID_HINT 1234 Alice\n"
      "status NEED_PASSPHRASE 1234 1234 17 0\n"
      "status GET_HIDDEN passphrase.enter\n"
      "command-line\n"
      "status BAD_PASSPHRASE 1234\n"
      "status GET_HIDDEN passphrase.enter\n"
      "command-line\n"
      "status GET_BOOL openfile.overwrite.okay\n"
      "command-line\n"
      "status BEGIN_ENCRYPTION 2 9\n"
      "exit 0\n");
  GpgEngine engine(standIn.Settings());
  EXPECT_EQ(0, engine.EncryptFileSymmetric("/in", "/out", true, "K pass", "S pass").exitCode);
  const auto record = standIn.Record();
  EXPECT_EQ((std::vector<std::string>{"S pass\n", "K pass\n", "K pass\n", "y\n"}),
            record.fields.at("command"));
  // With a key passphrase of its own, the symmetric one goes only through
  // the dialogue: gpg1 would take a --passphrase-fd passphrase for the key too.
  EXPECT_FALSE(record.Has("passphrase"));
  EXPECT_EQ(standIn.ExpectedArgv({"--command-fd=4", "--status-fd=5", "--sign", "-o", "/out",
                                  "--symmetric", "--", "/in"}),
            record.argv);
}

TEST(SymmetricConversation, WithoutKeyPassphraseTheSymmetricOneAlsoGoesThroughItsPipe) {
  StandIn standIn(
      "status NEED_PASSPHRASE 1234 1234 17 0\n"
      "status GET_HIDDEN passphrase.enter\n"
      "command-line\n"
      "status NEED_PASSPHRASE_SYM 9 3 2\n"
      "status GET_HIDDEN passphrase.enter\n"
      "command-line\n"
      "status BEGIN_SIGNING\n");
  GpgEngine engine(standIn.Settings());
  ASSERT_EQ(kOk, engine.EncryptFileSymmetric("/in", "/out", true, nullptr, "S").status);
  const auto record = standIn.Record();
  EXPECT_EQ("S", record.First("passphrase"));
  EXPECT_EQ((std::vector<std::string>{"\n", "S\n"}), record.fields.at("command"));
}

TEST(SymmetricConversation, AQuestionForALineEndsTheDialogueInsteadOfHanging) {
  StandIn standIn(
      "status GET_LINE keygen.name\n"
      "command-all\n"  // returns only once the program closed its command end
      "status GET_LINE keygen.name\n"
      "exit 2\n");
  GpgEngine engine(standIn.Settings());
  // 2, or SIGPIPE on the closed status pipe.
  EXPECT_TRUE(engine.EncryptFileSymmetric("/in", "/out", false, nullptr, "S").refusedByGpg());
  EXPECT_EQ("", standIn.Record().First("command-all"));
}

TEST(SymmetricConversation, StatusEndingEarlyLeavesTheOutcomeToTheExitCode) {
  StandIn standIn("status NEED_PASSPHRASE_SYM 9 3 2\nexit 4\n");
  GpgEngine engine(standIn.Settings());
  EXPECT_EQ(4, engine.EncryptFileSymmetric("/in", "/out", false, nullptr, "S").exitCode);
}

TEST(SymmetricConversation, ANullSymmetricPassphraseStartsNothing) {
  StandIn standIn;
  GpgEngine engine(standIn.Settings());
  const GpgRunOutcome refused = engine.EncryptFileSymmetric("/in", "/out", false, "K", nullptr);
  EXPECT_EQ(kUnexpected, refused.status);
  EXPECT_EQ(-1, refused.exitCode);
  EXPECT_FALSE(standIn.Record().exists);
}

// Changes into a folder for the length of a test, so that relative names
// beginning with '-' can be used.
class InFolder {
 public:
  explicit InFolder(const std::string& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~InFolder() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(EncryptFileSymmetric, RealGpgRoundTripWithAwkwardNames) {
  test::TempDir dir;
  InFolder inDir(dir.path());
  const std::string bytes("attachment\0\x01\xFF bytes", 20);
  const std::string plain = "-plain \"x\"\n.txt";
  const std::string sealed = "-sealed file.gpg";
  const std::string back = "-back";
  test::WriteFile(plain, bytes);
  const auto settings = test::SettingsFor(dir.path());

  GpgEngine encrypt(settings);
  EXPECT_EQ(0, encrypt.EncryptFileSymmetric(plain, sealed, false, nullptr, "0123ABCD").exitCode);
  EXPECT_NE(std::string::npos, test::ReadFile(sealed).size());
  EXPECT_EQ(std::string::npos, test::ReadFile(sealed).find("attachment"));

  // An existing output file: gpg's overwrite question is answered yes.
  GpgEngine again(settings);
  EXPECT_EQ(0, again.EncryptFileSymmetric(plain, sealed, false, nullptr, "0123ABCD").exitCode);

  GpgEngine decrypt(settings);
  EXPECT_EQ(0, decrypt.DecryptFile(sealed, back, false, "0123ABCD").exitCode);
  EXPECT_EQ(bytes, test::ReadFile(back));

  GpgEngine wrong(settings);
  EXPECT_TRUE(wrong.DecryptFile(sealed, "-wrong", false, "not it").refusedByGpg());
}

TEST(EncryptFileSymmetric, RealGpgSignsWithTheKeyPassphraseFromTheDialogue) {
  const auto& keys = test::Keys();
  test::TempDir dir;
  test::WriteFile(dir.File("in"), "signed content");
  const auto settings = test::SettingsFor(keys.aliceHome);

  GpgEngine encrypt(settings);
  EXPECT_EQ(0, encrypt
                   .EncryptFileSymmetric(dir.File("in"), dir.File("out.gpg"), true,
                                         test::SharedKeys::kAlicePassphrase, "sym pass")
                   .exitCode);

  GpgEngine decrypt(settings);
  EXPECT_EQ(0, decrypt.DecryptFile(dir.File("out.gpg"), dir.File("back"), true, "sym pass").exitCode);
  EXPECT_EQ("signed content", test::ReadFile(dir.File("back")));

  // A wrong key passphrase: gpg asks again, gets the same answer, gives up.
  GpgEngine wrong(settings);
  EXPECT_TRUE(wrong.EncryptFileSymmetric(dir.File("in"), dir.File("out2.gpg"), true, "nope",
                                         "sym pass")
                  .refusedByGpg());
}

}  // namespace
}  // namespace ambrine
