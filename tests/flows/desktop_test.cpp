// How the window fits the user's desktop: Qt's own dialogs and buttons
// speak Japanese like the rest of the program, the manual opens in a
// window of the program's own, and file dialogs open among the user's files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "app/window/manual_window.h"
#include "app/window/recent_leaves_menu.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "support/generated_leaf.h"

namespace ambrine {
namespace {

using test::ModalScript;
using test::Window;

TEST(Desktop, QtsOwnButtonsAndDialogsSpeakJapaneseBesideTheProgramsOwnTexts) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("desktop-japanese", test::Keys().aliceHome)));
  const std::string unsigned_ = test::WorkFolder() + "/desktop-unsigned.gpg";
  test::MakeGeneratedLeaf(window.view().settings(), test::Keys().alice.fingerprint, 64, 16,
                          unsigned_);

  // The open's question whether to go on without a signature: Yes and No.
  QString yes, no;
  ModalScript question;
  question.Then(
      [&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->button(QMessageBox::Yes) || !box->button(QMessageBox::No)) return false;
        yes = box->button(QMessageBox::Yes)->text();
        no = box->button(QMessageBox::No)->text();
        return true;
      },
      [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
  window.view().RunExclusive([&] { window.view().OpenLeaf(unsigned_); });
  ASSERT_TRUE(question.done()) << question.Log().toStdString();
  EXPECT_TRUE(yes.contains(QStringLiteral("はい"))) << yes.toStdString();
  EXPECT_TRUE(no.contains(QStringLiteral("いいえ"))) << no.toStdString();
  EXPECT_EQ(question.seen()[0].title, QStringLiteral("Question"));
  EXPECT_EQ(question.seen()[0].text, QStringLiteral("有効な電子署名が見つかりません。処理を続行しますか?"));

  // The file dialog's own labels.
  QString nameLabel;
  ModalScript files;
  files.Then(
      [&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog) return false;
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("fileNameLabel")))
          nameLabel = label->text();
        return true;
      },
      [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  window.frame().action(kCmdNew)->trigger();
  ASSERT_TRUE(files.done()) << files.Log().toStdString();
  EXPECT_TRUE(nameLabel.contains(QStringLiteral("ファイル名"))) << nameLabel.toStdString();
}

std::vector<ManualWindow*> ManualWindows() {
  std::vector<ManualWindow*> found;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* manual = qobject_cast<ManualWindow*>(w); manual && manual->isVisible())
      found.push_back(manual);
  return found;
}

TEST(Desktop, HelpContentsShowsTheManualInAnOfflineWindowOfTheProgramsOwn) {
  const std::string program = test::MakeProgramFolder("desktop-manual", test::Keys().aliceHome);
  std::filesystem::copy_file(AMBRINE_SOURCE_DIR "/docs/manual.html", program + "manual.html");
  Window window;
  ASSERT_TRUE(window.Start(program));

  window.frame().action(kCmdHelpContents)->trigger();
  ASSERT_TRUE(test::SpinUntil([] { return ManualWindows().size() == 1; }));
  ManualWindow* manual = ManualWindows().front();
  EXPECT_EQ(manual->windowTitle(), QStringLiteral("Ambrine 利用の手引き"));
  // Shown from memory on an off-the-record profile, not from the file.
  auto* view = manual->findChild<QWebEngineView*>();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->page()->profile()->isOffTheRecord());
  EXPECT_EQ(view->url().scheme(), QStringLiteral("ambrine"));

  // Asked again: the same window, not a second one.
  window.frame().action(kCmdHelpContents)->trigger();
  EXPECT_EQ(ManualWindows(), std::vector<ManualWindow*>{manual});
  manual->close();
}

TEST(Desktop, FileDialogsOpenAmongTheUsersFilesThenWhereTheLastFileWasChosen) {
  // The program runs from its folder, which Qt would open.
  const std::string program = test::MakeProgramFolder("desktop-folders", test::Keys().aliceHome);
  Window window;
  ASSERT_TRUE(window.Start(program));
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const QString usersFolder = QDir(documents).exists() ? documents : QDir::homePath();
  const std::string forms = test::WorkFolder() + "/desktop-forms";
  std::filesystem::create_directories(forms);
  test::WriteFile(forms + "/diary.html", "<html><body>diary</body></html>");

  ModalScript first;
  first.FileDialog(QString::fromStdString(forms + "/diary.html"));
  window.frame().action(kCmdNew)->trigger();
  ASSERT_TRUE(first.done()) << first.Log().toStdString();
  EXPECT_EQ(first.seen()[0].text, usersFolder);
  EXPECT_NE(first.seen()[0].text, QDir(QString::fromStdString(program)).absolutePath());

  ModalScript next;
  next.CancelFileDialog();
  window.frame().action(kCmdOpen)->trigger();
  ASSERT_TRUE(next.done()) << next.Log().toStdString();
  EXPECT_EQ(next.seen()[0].text, QString::fromStdString(forms));
}

TEST(Desktop, RecentLeavesListTheLastSavedAndReopenItAndDropOneThatIsGone) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("desktop-recent", test::Keys().aliceHome)));
  const std::string kept = test::WorkFolder() + "/recent-kept.gpg";
  const std::string gone = test::WorkFolder() + "/recent-gone.gpg";
  window.SaveTo(kept);
  window.SaveTo(gone);
  std::filesystem::remove(gone);

  auto* menu = window.frame().findChild<RecentLeavesMenu*>(QStringLiteral("recentLeaves"));
  ASSERT_NE(menu, nullptr);
  auto entries = [menu] {
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions()) texts << a->text();
    return texts;
  };
  EXPECT_EQ(entries(), QStringList({QStringLiteral("&1 ") + QString::fromStdString(gone),
                                    QStringLiteral("&2 ") + QString::fromStdString(kept)}));

  // A leaf that is gone is said so and leaves the list.
  ModalScript missing;
  missing.MessageBox(QMessageBox::Ok);
  menu->actions().at(0)->trigger();
  ASSERT_TRUE(missing.done()) << missing.Log().toStdString();
  EXPECT_TRUE(missing.seen()[0].text.startsWith(QStringLiteral("ファイルが見つかりません。")));
  EXPECT_EQ(entries(), QStringList({QStringLiteral("&1 ") + QString::fromStdString(kept)}));

  // The other opens through the open flow, its signature confirmed.
  ModalScript reopen;
  reopen.MessageBox(QMessageBox::Yes);
  menu->actions().at(0)->trigger();
  ASSERT_TRUE(test::SpinUntil([&] { return reopen.done(); })) << reopen.Log().toStdString();
  EXPECT_EQ(reopen.seen()[0].title, QStringLiteral("Confirm"));
  EXPECT_EQ(window.view().record().leafPath(), kept);
}

}  // namespace
}  // namespace ambrine
