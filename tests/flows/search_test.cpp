// ツール > 検索 in the real window: a search of a folder of saved records
// finds the right one by what was typed into the form, keeps its index in
// the conf folder, and a double-click opens the leaf through the open flow.
#include <gtest/gtest.h>

#include <QAction>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "dialogs/search_dialog.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine {
namespace {

using test::ModalScript;
using test::Window;

TEST(Search, FindsARecordByItsValuesAndOpensItFromTheList) {
  Window window;
  const std::string program = test::MakeProgramFolder("search", test::Keys().aliceHome);
  ASSERT_TRUE(window.Start(program));
  const std::string folder = test::WorkFolder() + "/search-records";
  std::filesystem::create_directories(folder + "/2026");
  // Full-width letters in the title; the search is typed in half-width.
  window.FillForm(QStringLiteral("ＫＹＯＴＯ 旅行"), QStringLiteral("茶会に参加した"),
                  QStringLiteral("切符"), QStringLiteral("1200"));
  window.SaveTo(folder + "/2026/trip.gpg");
  window.FillForm(QStringLiteral("Osaka"), QStringLiteral("castle"), QStringLiteral("x"),
                  QStringLiteral("1"));
  window.SaveTo(folder + "/other.gpg");

  window.frame().action(kCmdSearch)->trigger();
  auto* dialog = window.frame().findChild<SearchDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->isVisible());
  dialog->findChild<QLineEdit*>(QStringLiteral("folder"))->setText(QString::fromStdString(folder));
  dialog->findChild<QLineEdit*>(QStringLiteral("words"))->setText(QStringLiteral("kyoto　茶会"));
  QPushButton* search = nullptr;
  for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
    if (b->text() == QStringLiteral("検索(&S)")) search = b;
  }
  ASSERT_NE(search, nullptr);
  search->click();

  auto* hits = dialog->findChild<QTreeWidget*>(QStringLiteral("hits"));
  ASSERT_TRUE(test::SpinUntil([&] { return hits->topLevelItemCount() > 0; }));
  ASSERT_EQ(hits->topLevelItemCount(), 1);
  QTreeWidgetItem* hit = hits->topLevelItem(0);
  EXPECT_EQ(hit->text(0).toStdString(), folder + "/2026/trip.gpg");
  EXPECT_TRUE(hit->text(1).contains(QString::fromStdString(test::Keys().alice.userId))) << hit->text(1).toStdString();
  EXPECT_TRUE(hit->text(3).contains(QStringLiteral("ＫＹＯＴＯ 旅行"))) << hit->text(3).toStdString();
  EXPECT_TRUE(std::filesystem::exists(program + "conf/search-index"));

  // A word in no record finds nothing and says so.
  dialog->findChild<QLineEdit*>(QStringLiteral("words"))->setText(QStringLiteral("kyoto castle"));
  search->click();
  ASSERT_TRUE(test::SpinUntil([&] { return hits->topLevelItemCount() == 0; }));

  dialog->findChild<QLineEdit*>(QStringLiteral("words"))->setText(QStringLiteral("切符"));
  search->click();
  ASSERT_TRUE(test::SpinUntil([&] { return hits->topLevelItemCount() == 1; }));

  // Double-click: the open flow asks to confirm the signature, then the
  // record is on screen.
  ModalScript open;
  open.MessageBox(QMessageBox::Yes);
  emit hits->itemActivated(hits->topLevelItem(0), 0);
  ASSERT_TRUE(test::SpinUntil([&] { return open.done(); })) << open.Log().toStdString();
  EXPECT_EQ(open.seen()[0].title, QStringLiteral("Confirm"));
  EXPECT_EQ(window.view().record().leafPath(), folder + "/2026/trip.gpg");
  ASSERT_TRUE(test::SpinUntil([&] { return window.FormValues().value(0) == QStringLiteral("ＫＹＯＴＯ 旅行"); }))
      << window.FormValues().join('|').toStdString();
}

}  // namespace
}  // namespace ambrine
