// An own key made at first start as RSA 3072 with a passphrase: gpg makes
// the kind of key chosen, every save signs with it after asking for its
// passphrase (again after a wrong one), every open of a leaf encrypted to it
// asks too, and a wrong passphrase there ends the open with nothing lost.
#include <gtest/gtest.h>
#include <time.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/report_point.h"
#include "dialogs/genkey_dialog.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/gpg_engine.h"
#include "gpg/key_list.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

const QString kKeyPassphrase = QStringLiteral("鍵を守る pass 3072");
const QString kKeyPrompt = QStringLiteral("秘密鍵のロックを解除するためのパスフレーズを入力してください。");

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

std::string TodayUtc() {
  const time_t now = ::time(nullptr);
  struct tm day {};
  ::gmtime_r(&now, &day);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &day);
  return text;
}

TEST(ProtectedOwnKey, Rsa3072KeyWithPassphraseSignsSavesAndOpens) {
  const std::string program = test::MakeProgramFolder("rsa-first-run", "");
  const std::string leaf = test::WorkFolder() + "/rsa-leaf.gpg";
  Window window;
  bool fieldsWiped = false;
  ModalScript makeKey;
  makeKey.Then([](QWidget* w) { return qobject_cast<GenkeyDialog*>(w) != nullptr; },
               [&](QWidget* w) {
                 auto* dialog = qobject_cast<GenkeyDialog*>(w);
                 dialog->nameEdit()->setText(QStringLiteral("Rsa Person"));
                 dialog->typeBox()->setCurrentIndex(1);
                 dialog->passphraseEdit()->setText(kKeyPassphrase);
                 dialog->confirmEdit()->setText(kKeyPassphrase);
                 QObject::connect(dialog, &GenkeyDialog::generationFinished, dialog,
                                  [&, dialog] {
                                    fieldsWiped = dialog->passphraseEdit()->text().isEmpty() &&
                                                  dialog->confirmEdit()->text().isEmpty();
                                    dialog->okButton()->click();
                                  },
                                  Qt::QueuedConnection);
                 dialog->okButton()->click();
               });
  ASSERT_TRUE(window.Start(program));
  ASSERT_TRUE(makeKey.done()) << makeKey.Log().toStdString();
  EXPECT_TRUE(fieldsWiped);
  const std::string fingerprint = window.view().ownFingerprint();
  ASSERT_EQ(fingerprint.size(), 40u);

  // The key is the one chosen.
  {
    GpgEngine engine(window.view().settings());
    KeyList keys;
    KeyFactsList facts;
    ASSERT_EQ(engine.ListKeys(true, keys, nullptr, nullptr, &facts), kOk);
    ASSERT_EQ(facts.size(), 1u);
    EXPECT_EQ(facts[0].algorithm, 1);
    EXPECT_EQ(facts[0].bits, 3072);
    EXPECT_EQ(facts[0].subkeyAlgorithm, 1);
    EXPECT_EQ(facts[0].subkeyBits, 3072);
    EXPECT_EQ(KeyDateText(facts[0]), TodayUtc());
  }

  const QStringList values = {QStringLiteral("RSA の記録"), QStringLiteral("本文"),
                              QStringLiteral("品目"), QStringLiteral("300")};
  window.FillForm(values[0], values[1], values[2], values[3]);

  // Cancelling the key's passphrase stops the save there: no "Bad
  // Passphrase", no error, no leaf.
  ModalScript cancel;
  cancel.SaveOptions({}, QString::fromStdString(leaf)).CancelInputBox();
  Trigger(window, kCmdSave);
  ASSERT_TRUE(cancel.done()) << cancel.Log().toStdString();
  EXPECT_FALSE(test::SpinUntil([] { return QApplication::activeModalWidget() != nullptr; }, 500));
  EXPECT_TRUE(window.report().reports.empty());
  EXPECT_FALSE(fs::exists(leaf));

  // Saving signs with the key: gpg asks for its passphrase, refuses a
  // wrong one and asks again.
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(leaf))
      .InputBox(QStringLiteral("not it"))
      .MessageBox(QMessageBox::Ok)
      .InputBox(kKeyPassphrase);
  Trigger(window, kCmdSave);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
  EXPECT_EQ(save.seen()[1].text, kKeyPrompt);
  EXPECT_EQ(save.seen()[2].text, QStringLiteral("Bad Passphrase"));
  EXPECT_EQ(save.seen()[3].text, kKeyPrompt);
  EXPECT_TRUE(window.report().reports.empty());
  ASSERT_TRUE(fs::exists(leaf));
  EXPECT_EQ(window.view().record().leafPath(), leaf);

  // Opening it asks for the key's passphrase; a wrong one keeps the record
  // on screen as it was.
  window.FillForm(QStringLiteral("changed"), QString(), QString(), QString());
  ModalScript wrong;
  wrong.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox(QStringLiteral("not it"))
      .MessageBox(QMessageBox::Ok);
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(wrong.done()) << wrong.Log().toStdString();
  EXPECT_EQ(wrong.seen()[2].text,
            QStringLiteral("秘密鍵のロックを解除するパスフレーズを入力してください。"));
  EXPECT_EQ(wrong.seen()[3].text, QStringLiteral("パスフレーズに誤りがあります"));
  ASSERT_EQ(window.report().reports.size(), 1u);
  EXPECT_EQ(window.report().reports[0], test::Reported(kCancelled, report::kBadPassphrase));
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("changed"));
  window.report().reports.clear();

  ModalScript right;
  right.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox(kKeyPassphrase)
      .MessageBox(QMessageBox::Yes);
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(right.done()) << right.Log().toStdString();
  EXPECT_EQ(right.seen()[3].text,
            QString::fromStdString("Rsa Person\n鍵指紋: " + FormatFingerprint(fingerprint) +
                                   "（自分の鍵）\n上記の電子署名が確認されました\n処理を続行しますか?"));
  EXPECT_EQ(window.FormValues(), values);
  EXPECT_TRUE(window.report().reports.empty());
}

}  // namespace
}  // namespace ambrine
