// The key generation dialog: field rules, gpg's lines shown while the key
// is made, and a real key generated through the dialog and the program's
// runner.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/flows/background_runner.h"
#include "dialogs/genkey_dialog.h"
#include "gpg/gpg_engine.h"
#include "support/qt_modal.h"
#include "support/test_keyring.h"

namespace ambrine::test {
namespace {

TEST(GenkeyRules, NameNeedsFiveBytesNoLeadingDigitNoAngleBrackets) {
  EXPECT_FALSE(IsValidKeyName("abcd"));
  EXPECT_TRUE(IsValidKeyName("abcde"));
  EXPECT_TRUE(IsValidKeyName("山田"));  // two characters, six UTF-8 bytes
  EXPECT_FALSE(IsValidKeyName("1abcde"));
  EXPECT_FALSE(IsValidKeyName("abc<de"));
  EXPECT_FALSE(IsValidKeyName("abcde>"));
}

TEST(GenkeyRules, EmailAddressRules) {
  EXPECT_TRUE(IsValidKeyEmail("user@example.org"));
  EXPECT_TRUE(IsValidKeyEmail("first.last+tag_x-y@mail-host.example.co"));
  EXPECT_FALSE(IsValidKeyEmail("@example.org"));
  EXPECT_FALSE(IsValidKeyEmail("user@example."));
  EXPECT_FALSE(IsValidKeyEmail("user@"));
  EXPECT_FALSE(IsValidKeyEmail("user@@example.org"));
  EXPECT_FALSE(IsValidKeyEmail("us@er@example.org"));
  EXPECT_FALSE(IsValidKeyEmail("user@example..org"));
  EXPECT_FALSE(IsValidKeyEmail("us er@example.org"));
  EXPECT_FALSE(IsValidKeyEmail("usér@example.org"));
  EXPECT_FALSE(IsValidKeyEmail("userexample.org"));
}

TEST(GenkeyRules, CommentAndEmptyFields) {
  EXPECT_TRUE(IsValidKeyComment("home"));
  EXPECT_FALSE(IsValidKeyComment("home (work)"));
  EXPECT_EQ(KeyFieldError::None, CheckKeyFields("", "", ""));
  EXPECT_EQ(KeyFieldError::Name, CheckKeyFields("abcd", "bad", "(x)"));
  EXPECT_EQ(KeyFieldError::Email, CheckKeyFields("abcde", "bad", "(x)"));
  EXPECT_EQ(KeyFieldError::Comment, CheckKeyFields("", "a@b.c", "(x)"));
}

class GenkeyDialogTest : public testing::Test {
 protected:
  TempDir home_;
  GpgSettings settings_ = SettingsFor(home_.path());
  BackgroundRunner runner_;
};

TEST_F(GenkeyDialogTest, RejectedFieldShowsItsMessageAndCancelGivesTwo) {
  GenkeyDialog dialog(&settings_, runner_);
  EXPECT_EQ(QStringLiteral("Ambrine 鍵の作成"), dialog.windowTitle());
  dialog.nameEdit()->setText(QStringLiteral("abcde"));
  dialog.emailEdit()->setText(QStringLiteral("a@@b"));
  WhenModal([&](QWidget*) {
    dialog.okButton()->click();
    EXPECT_EQ(QStringLiteral("メールアドレスの形式にエラーがあります"),
              dialog.messageBox()->toPlainText());
    dialog.emailEdit()->clear();
    dialog.commentEdit()->setText(QStringLiteral("(x)"));
    dialog.okButton()->click();
    EXPECT_EQ(QStringLiteral("コメントの形式にエラーがあります"), dialog.messageBox()->toPlainText());
    dialog.nameEdit()->setText(QStringLiteral("1abcde"));
    dialog.okButton()->click();
    EXPECT_EQ(QStringLiteral("名前の形式にエラーがあります"), dialog.messageBox()->toPlainText());
    dialog.reject();
  });
  EXPECT_EQ(2, dialog.DoModal());
  EXPECT_FALSE(std::filesystem::exists(home_.File("secring.gpg")));
}

TEST_F(GenkeyDialogTest, GeneratesTheKeyShowsStatusAndOkThenGivesOne) {
  GenkeyDialog dialog(&settings_, runner_);
  dialog.nameEdit()->setText(QStringLiteral("鍵 テスト"));
  dialog.emailEdit()->setText(QStringLiteral("genkey@example.org"));
  dialog.commentEdit()->setText(QStringLiteral("home"));
  bool lookedWhileWorking = false;
  WhenModal([&](QWidget*) {
    // Looked at once gpg works (the click returns when it has ended): the
    // fields and Cancel are off and the dialog stays.
    QTimer::singleShot(0, &dialog, [&] {
      lookedWhileWorking = true;
      EXPECT_FALSE(dialog.generationDone());
      EXPECT_FALSE(dialog.nameEdit()->isEnabled());
      dialog.reject();
      EXPECT_TRUE(dialog.isVisible());
    });
    dialog.okButton()->click();
  });
  QObject::connect(&dialog, &GenkeyDialog::generationFinished, &dialog, [&]() {
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_FALSE(dialog.nameEdit()->isEnabled());
    dialog.okButton()->click();
  });
  EXPECT_EQ(1, dialog.DoModal());
  EXPECT_TRUE(lookedWhileWorking);
  EXPECT_TRUE(dialog.generationDone());
  EXPECT_TRUE(dialog.messageBox()->toPlainText().contains(QStringLiteral("[GNUPG:] KEY_CREATED")))
      << dialog.messageBox()->toPlainText().toStdString();

  GpgEngine engine(settings_);
  KeyList keys;
  ASSERT_EQ(kOk, engine.ListKeys(true, keys, nullptr, nullptr));
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ(0u, keys[0].rfind("鍵 テスト (home) <genkey@example.org>:", 0)) << keys[0];
}

// A gpg for key generation that reads the parameters, writes
// `statusLines` on its status descriptor and exits with `exitCode` without
// making a key; every other command goes to the real gpg1, so the dialog's
// look at the key ring afterwards sees the ring as it is. Each run touches
// `ran`.
std::string FakeKeyGenerator(const TempDir& dir, const std::string& name,
                             const std::string& statusLines, int exitCode) {
  const std::string path = dir.File(name);
  WriteFile(path + ".status", statusLines);
  WriteFile(path, "#!/bin/sh\n"
                  "touch '" + dir.File("ran") + "'\n"
                  "fd=; generate=\n"
                  "for a in \"$@\"; do case \"$a\" in\n"
                  "  --status-fd=*) fd=${a#--status-fd=} ;;\n"
                  "  --gen-key) generate=1 ;;\n"
                  "esac; done\n"
                  "[ -n \"$generate\" ] || exec '" AMBRINE_GPG1 "' \"$@\"\n"
                  "cat >/dev/null\n"
                  "[ -n \"$fd\" ] && eval \"cat '" + path + ".status' >&$fd\"\n"
                  "exit " + std::to_string(exitCode) + "\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

TEST_F(GenkeyDialogTest, WithoutNameAndAddressNothingIsGenerated) {
  TempDir bin;
  settings_.gpgPath = FakeKeyGenerator(bin, "gpg", "[GNUPG:] KEY_NOT_CREATED\n", 2);
  GenkeyDialog dialog(&settings_, runner_);
  WhenModal([&](QWidget*) {
    // Empty fields, then a comment alone: gpg would make no user id.
    for (const QString& comment : {QString(), QStringLiteral("home")}) {
      dialog.commentEdit()->setText(comment);
      dialog.okButton()->click();
      EXPECT_EQ(QStringLiteral("名前またはメールアドレスを入力してください"),
                dialog.messageBox()->toPlainText());
      EXPECT_TRUE(dialog.nameEdit()->isEnabled());
      EXPECT_TRUE(dialog.okButton()->isEnabled());
      EXPECT_TRUE(dialog.isVisible());
    }
    dialog.okButton()->click();  // OK stays a request to generate, never a close
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
  });
  EXPECT_EQ(2, dialog.DoModal());
  EXPECT_FALSE(dialog.generationDone());
  EXPECT_FALSE(std::filesystem::exists(bin.File("ran")));
}

TEST_F(GenkeyDialogTest, KeyTypeDefaultsToDsaAndThePassphraseMustBeTypedTwiceAlike) {
  TempDir bin;
  settings_.gpgPath = FakeKeyGenerator(bin, "gpg", "[GNUPG:] KEY_NOT_CREATED\n", 2);
  GenkeyDialog dialog(&settings_, runner_);
  ASSERT_EQ(2, dialog.typeBox()->count());
  EXPECT_EQ(0, dialog.typeBox()->currentIndex());
  EXPECT_EQ(QStringLiteral("DSA 1024 / ElGamal 2048"), dialog.typeBox()->currentText());
  EXPECT_EQ(QStringLiteral("RSA 3072"), dialog.typeBox()->itemText(1));
  EXPECT_EQ(QLineEdit::Password, dialog.passphraseEdit()->echoMode());
  EXPECT_EQ(QLineEdit::Password, dialog.confirmEdit()->echoMode());

  dialog.nameEdit()->setText(QStringLiteral("Pass Tester"));
  const QString mismatch = QStringLiteral("パスフレーズと確認が一致しません");
  WhenModal([&](QWidget*) {
    dialog.passphraseEdit()->setText(QStringLiteral("secret one"));
    dialog.confirmEdit()->setText(QStringLiteral("secret 0ne"));
    dialog.okButton()->click();
    EXPECT_EQ(mismatch, dialog.messageBox()->toPlainText());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.passphraseEdit()->isEnabled());
    // A repetition alone is no passphrase: a mismatch too.
    dialog.passphraseEdit()->clear();
    dialog.okButton()->click();
    EXPECT_EQ(mismatch, dialog.messageBox()->toPlainText());
    // gpg would store it without the blank at the end.
    dialog.passphraseEdit()->setText(QStringLiteral("secret "));
    dialog.confirmEdit()->setText(QStringLiteral("secret "));
    dialog.okButton()->click();
    EXPECT_EQ(QStringLiteral("パスフレーズの先頭と末尾に空白は使えません"),
              dialog.messageBox()->toPlainText());
    EXPECT_EQ(QStringLiteral("secret "), dialog.passphraseEdit()->text());  // to correct it
    dialog.reject();
  });
  EXPECT_EQ(2, dialog.DoModal());
  EXPECT_FALSE(std::filesystem::exists(bin.File("ran")));
}

TEST_F(GenkeyDialogTest, GenerationWithoutAKeyFailsAndTheUserCanTryAgain) {
  TempDir bin;
  const std::string fingerprint = "0123456789ABCDEF0123456789ABCDEF01234567";
  struct Attempt {
    std::string gpg;
    std::string statusLine;
  };
  // gpg says no key was made; gpg says it was made but fails; gpg says it
  // was made and ends well, but the ring holds no key.
  const std::vector<Attempt> attempts = {
      {FakeKeyGenerator(bin, "not-created", "[GNUPG:] KEY_NOT_CREATED\n", 2),
       "[GNUPG:] KEY_NOT_CREATED"},
      {FakeKeyGenerator(bin, "failed", "[GNUPG:] KEY_CREATED B " + fingerprint + "\n", 2),
       "[GNUPG:] KEY_CREATED B " + fingerprint},
      {FakeKeyGenerator(bin, "no-key", "[GNUPG:] KEY_CREATED B " + fingerprint + "\n", 0),
       "[GNUPG:] KEY_CREATED B " + fingerprint},
  };

  GenkeyDialog dialog(&settings_, runner_);
  dialog.nameEdit()->setText(QStringLiteral("Retry Tester"));
  std::size_t next = 0;
  std::vector<QString> shown;
  const auto tryNext = [&] {
    if (next < attempts.size()) {
      settings_.gpgPath = attempts[next++].gpg;
    } else {
      settings_.gpgPath = AMBRINE_GPG1;  // the real gpg makes the key this time
      ++next;
    }
    dialog.okButton()->click();
  };
  WhenModal([&](QWidget*) { tryNext(); });
  QObject::connect(&dialog, &GenkeyDialog::generationFailed, &dialog, [&] {
    shown.push_back(dialog.messageBox()->toPlainText());
    // Back to entering: the fields, OK and Cancel work again.
    EXPECT_TRUE(dialog.nameEdit()->isEnabled());
    EXPECT_TRUE(dialog.emailEdit()->isEnabled());
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    EXPECT_FALSE(dialog.generationDone());
    QTimer::singleShot(0, &dialog, tryNext);
  });
  QObject::connect(&dialog, &GenkeyDialog::generationFinished, &dialog,
                   [&] { dialog.okButton()->click(); });
  EXPECT_EQ(1, dialog.DoModal());
  EXPECT_EQ(attempts.size() + 1, next);

  ASSERT_EQ(attempts.size(), shown.size());
  for (std::size_t i = 0; i < shown.size(); ++i) {
    EXPECT_EQ(QString::fromStdString(attempts[i].statusLine + "\n") +
                  QStringLiteral("鍵を作成できませんでした。入力内容を確認して、もう一度 OK を押してください"),
              shown[i]);
  }
  EXPECT_FALSE(std::filesystem::exists(home_.File("secring.gpg.new")));
  GpgEngine engine(settings_);
  KeyList keys;
  ASSERT_EQ(kOk, engine.ListKeys(true, keys, nullptr, nullptr));
  ASSERT_EQ(1u, keys.size());
  EXPECT_EQ("Retry Tester", SplitKeyEntry(keys[0]).userId);
}

TEST_F(GenkeyDialogTest, KeysAlreadyInThePublicRingAreKept) {
  // Someone else's public key is in the ring before the user makes a key.
  TempDir other;
  const TestKey friendKey = MakeKey(other.path(), "Friend Key");
  CopyPublicKey(other.path(), home_.path(), friendKey.fingerprint);

  GenkeyDialog dialog(&settings_, runner_);
  dialog.nameEdit()->setText(QStringLiteral("Owner Key"));
  WhenModal([&](QWidget*) { dialog.okButton()->click(); });
  QObject::connect(&dialog, &GenkeyDialog::generationFinished, &dialog,
                   [&]() { dialog.okButton()->click(); });
  ASSERT_EQ(1, dialog.DoModal());

  GpgEngine engine(settings_);
  KeyList publicKeys;
  ASSERT_EQ(kOk, engine.ListKeys(false, publicKeys, nullptr, nullptr));
  ASSERT_EQ(2u, publicKeys.size());
  EXPECT_EQ(friendKey.fingerprint, SplitKeyEntry(publicKeys[0]).fingerprint);
  EXPECT_EQ("Owner Key", SplitKeyEntry(publicKeys[1]).userId);
  EXPECT_FALSE(std::filesystem::exists(home_.File("pubring.gpg.new")));
}

TEST_F(GenkeyDialogTest, GpgsLinesShowWhileItWorksAndTheDialogCannotBeLeft) {
  // gpg writes a progress line, then waits (ten seconds at most) until the
  // test has seen it in the box, and ends without a key: the line can
  // only be seen there while gpg is still at work.
  TempDir bin;
  const std::string gpg = bin.File("gpg");
  WriteFile(gpg, "#!/bin/sh\n"
                 "fd=\n"
                 "for a in \"$@\"; do case \"$a\" in --status-fd=*) fd=${a#--status-fd=} ;; esac; done\n"
                 "cat >/dev/null\n"
                 "eval \"echo '[GNUPG:] PROGRESS primegen + 0 0' >&$fd\"\n"
                 "i=0\n"
                 "while [ ! -e '" + bin.File("seen") + "' ] && [ $i -lt 200 ]; do\n"
                 "  sleep 0.05; i=$((i+1))\n"
                 "done\n"
                 "eval \"echo '[GNUPG:] KEY_NOT_CREATED' >&$fd\"\n"
                 "exit 2\n");
  std::filesystem::permissions(gpg, std::filesystem::perms::owner_all);
  settings_.gpgPath = gpg;

  GenkeyDialog dialog(&settings_, runner_);
  dialog.nameEdit()->setText(QStringLiteral("Live Tester"));
  bool seenWhileWorking = false;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, &dialog, [&] {
    if (seenWhileWorking || dialog.messageBox()->toPlainText() != QStringLiteral("+")) return;
    seenWhileWorking = true;
    EXPECT_FALSE(dialog.nameEdit()->isEnabled());
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    dialog.reject();  // Escape and the close box end here too
    EXPECT_TRUE(dialog.isVisible());
    WriteFile(bin.File("seen"), "");
  });
  look.start(20);
  WhenModal([&](QWidget*) { dialog.okButton()->click(); });
  QObject::connect(&dialog, &GenkeyDialog::generationFailed, &dialog,
                   [&] { QTimer::singleShot(0, &dialog, [&] { dialog.reject(); }); });
  EXPECT_EQ(2, dialog.DoModal());
  EXPECT_TRUE(seenWhileWorking);
  EXPECT_EQ(QStringLiteral("+\n[GNUPG:] KEY_NOT_CREATED\n"
                           "鍵を作成できませんでした。入力内容を確認して、もう一度 OK を押してください"),
            dialog.messageBox()->toPlainText());
}

}  // namespace
}  // namespace ambrine::test
