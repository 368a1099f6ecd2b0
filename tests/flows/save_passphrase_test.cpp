// The passphrase typed into the save options dialog reaches gpg through
// the save's own request, whether the leaf is then written or not; the
// window's settings have no place for it.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <cerrno>
#include <filesystem>
#include <functional>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/report_point.h"
#include "dialogs/input_box_dialog.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/gpg_engine.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::FlowKeys;
using test::ModalScript;
using test::Window;

const QString kLeafPassphrase = QStringLiteral("葉を守る pass 42");

void Save(Window& window) { window.frame().action(kCmdSave)->trigger(); }

// A save whose leaf could not be put in place: no leaf, one report naming
// it.
void ExpectUnwritableLeaf(Window& window, const std::string& leaf) {
  EXPECT_FALSE(fs::exists(leaf));
  ASSERT_EQ(window.report().reports.size(), 1u);
  EXPECT_EQ(window.report().reports[0],
            test::Reported(ResultFromErrno(ENOENT), report::kLeafUnwritable));
}

// Answers gpg's question for Bob's key passphrase; `during` runs first,
// while gpg is at work.
ModalScript::Act AnswerKeyPassphrase(std::function<void()> during = {}) {
  return [during](QWidget* w) {
    if (during) during();
    auto* box = qobject_cast<InputBoxDialog*>(w);
    box->findChild<QLineEdit*>()->setText(QString::fromUtf8(FlowKeys::kBobPassphrase));
    box->accept();
  };
}

bool IsInputBox(QWidget* w) { return qobject_cast<InputBoxDialog*>(w) != nullptr; }

TEST(SavePassphrase, TheLeafOpensWithThePassphraseTyped) {
  const FlowKeys& keys = test::Keys();
  const std::string leaf = test::WorkFolder() + "/wiped-after-save.gpg";
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("bob-wipe-saved", keys.bobHome)));
  window.FillForm("saved with a passphrase", "", "", "");

  ModalScript save;
  save.SaveOptionsSymmetric(kLeafPassphrase, QString::fromStdString(leaf))
      .Then(IsInputBox, AnswerKeyPassphrase());
  Save(window);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
  EXPECT_TRUE(window.report().reports.empty());

  GpgEngine engine(test::SettingsFor(keys.aliceHome));
  ASSERT_EQ(engine.DecryptFile(leaf, leaf + ".out", false,
                               kLeafPassphrase.toStdString().c_str()).status, kOk);
}

TEST(SavePassphrase, FailedSavesWriteNoLeaf) {
  const FlowKeys& keys = test::Keys();

  // The leaf's folder does not exist: the save fails before gpg starts.
  {
    Window window;
    ASSERT_TRUE(window.Start(test::MakeProgramFolder("alice-wipe-nofolder", keys.aliceHome)));
    const std::string leaf = test::WorkFolder() + "/no-such-folder/leaf.gpg";
    ModalScript save;
    save.SaveOptionsSymmetric(kLeafPassphrase, QString::fromStdString(leaf));
    Save(window);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
    ExpectUnwritableLeaf(window, leaf);
  }

  // The leaf's folder goes away while gpg is writing: gpg finishes, but the
  // leaf cannot be put in place.
  {
    Window window;
    ASSERT_TRUE(window.Start(test::MakeProgramFolder("bob-wipe-removed", keys.bobHome)));
    const std::string folder = test::WorkFolder() + "/removed-during-save";
    fs::create_directories(folder);
    const std::string leaf = folder + "/leaf.gpg";
    ModalScript save;
    save.SaveOptionsSymmetric(kLeafPassphrase, QString::fromStdString(leaf))
        .Then(IsInputBox, AnswerKeyPassphrase([folder] { fs::remove_all(folder); }));
    Save(window);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
    ExpectUnwritableLeaf(window, leaf);
  }

  // gpg itself fails: the key's passphrase is never the right one.
  {
    Window window;
    ASSERT_TRUE(window.Start(test::MakeProgramFolder("bob-wipe-gpgfails", keys.bobHome)));
    const std::string leaf = test::WorkFolder() + "/gpg-failed.gpg";
    ModalScript save;
    save.SaveOptionsSymmetric(kLeafPassphrase, QString::fromStdString(leaf))
        .Then(IsInputBox,
              [&](QWidget* w) {
                auto* box = qobject_cast<InputBoxDialog*>(w);
                box->findChild<QLineEdit*>()->setText(QStringLiteral("wrong"));
                box->accept();
              })
        .MessageBox(QMessageBox::Ok)
        .InputBox(QStringLiteral("wrong again"))
        .MessageBox(QMessageBox::Ok)
        .InputBox(QStringLiteral("still wrong"))
        .MessageBox(QMessageBox::Ok)
        .MessageBox(QMessageBox::Ok);
    Save(window);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
    EXPECT_TRUE(save.seen().back().text.startsWith(QStringLiteral("Encryption Failed.")))
        << save.Log().toStdString();
    EXPECT_FALSE(fs::exists(leaf));
  }
}

}  // namespace
}  // namespace ambrine
