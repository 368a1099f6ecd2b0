// The main window's menus, toolbar, shortcuts, prompts and tooltips.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/window/commands.h"
#include "app/window/main_frame.h"

namespace ambrine::test {
namespace {

// The menu's items as "id" or "-" for a separator.
QStringList Items(const QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions())
    out << (a->isSeparator() ? QStringLiteral("-") : QString::number(a->data().toInt()));
  return out;
}

TEST(MainWindow, MenusHoldTheCommandsInOrderWithTheirTexts) {
  MainFrame frame;
  const QList<QAction*> menus = frame.menuBar()->actions();
  ASSERT_EQ(4, menus.size());
  EXPECT_EQ(QStringLiteral("ファイル(&F)"), menus[0]->text());
  EXPECT_EQ(QStringLiteral("編集(&E)"), menus[1]->text());
  EXPECT_EQ(QStringLiteral("ツール(&T)"), menus[2]->text());
  EXPECT_EQ(QStringLiteral("ヘルプ(&H)"), menus[3]->text());
  // "0": the recent leaves' submenu.
  EXPECT_EQ(QStringList({"57600", "57601", "57603", "-", "32775", "-", "57607", "57609", "57606",
                         "-", "0", "-", "57665"}),
            Items(menus[0]->menu()));
  EXPECT_EQ(QStringLiteral("最近使ったファイル(&R)"), menus[0]->menu()->actions().at(10)->text());
  EXPECT_EQ(QStringList({"57643", "-", "57635", "57634", "57637"}), Items(menus[1]->menu()));
  EXPECT_EQ(QStringList({"32777", "-", "32772", "-", "32773", "32774", "-", "32778"}),
            Items(menus[2]->menu()));
  EXPECT_EQ(QStringLiteral("添付ファイルの表示(&V)..."), frame.action(kCmdViewAttachment)->text());
  EXPECT_EQ(QStringList({"32776", "-", "57664"}), Items(menus[3]->menu()));

  EXPECT_EQ(QStringLiteral("新規フォーム(&N)\tCtrl+N"), frame.action(kCmdNew)->text());
  EXPECT_EQ(QStringLiteral("目次（&C)"), frame.action(kCmdHelpContents)->text());
  EXPECT_EQ(QStringLiteral("フォーム内データのエクスポート(&E)"),
            frame.action(kCmdExportFormData)->text());
  for (QAction* menu : menus)
    for (QAction* a : menu->menu()->actions()) EXPECT_TRUE(a->isEnabled());
}

TEST(MainWindow, ToolbarOrderImagesPromptsAndTooltips) {
  MainFrame frame;
  QToolBar* bar = frame.findChild<QToolBar*>();
  ASSERT_NE(nullptr, bar);
  QStringList order;
  for (QAction* a : bar->actions())
    order << (a->isSeparator() ? QStringLiteral("-") : QString::number(a->data().toInt()));
  EXPECT_EQ(QStringList({"57600", "57601", "57603", "-", "57635", "57634", "57637", "-", "57607",
                         "57664"}),
            order);
  for (QAction* a : bar->actions()) {
    if (a->isSeparator()) continue;
    EXPECT_FALSE(a->icon().isNull());
    EXPECT_TRUE(a->isIconVisibleInMenu());
    // Without a desktop theme the program's own drawing is used, drawn for
    // each pixel ratio rather than blown up from 16x15.
    if (a->icon().name().isEmpty()) {
      EXPECT_TRUE(a->icon().availableSizes().contains(QSize(32, 30))) << a->data().toInt();
    }
  }
  EXPECT_EQ(QStringLiteral("Create a new document"), frame.action(kCmdNew)->statusTip());
  EXPECT_EQ(QStringLiteral("New"), frame.action(kCmdNew)->toolTip());
  EXPECT_EQ(QStringLiteral("Display full pages"), frame.action(kCmdPrintPreview)->statusTip());
  EXPECT_TRUE(frame.action(kCmdManageKeys)->statusTip().isEmpty());

  bool ready = false;
  for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
    ready = ready || label->text() == QStringLiteral("Ready");
  EXPECT_TRUE(ready);
}

TEST(MainWindow, ShortcutsFollowTheAcceleratorTable) {
  MainFrame frame;
  auto keys = [&](int id) { return frame.action(id)->shortcuts(); };
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_N)}), keys(kCmdNew));
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_P)}), keys(kCmdPrint));
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_Z),
                                 QKeySequence(Qt::ALT | Qt::Key_Backspace)}),
            keys(kCmdUndo));
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_X),
                                 QKeySequence(Qt::SHIFT | Qt::Key_Delete)}),
            keys(kCmdCut));
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_C),
                                 QKeySequence(Qt::CTRL | Qt::Key_Insert)}),
            keys(kCmdCopy));
  EXPECT_EQ(QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::Key_V),
                                 QKeySequence(Qt::SHIFT | Qt::Key_Insert)}),
            keys(kCmdPaste));
  // F6 and Shift+F6 belong to an action of the window that does nothing.
  bool f6 = false;
  for (QAction* a : frame.actions())
    f6 = f6 || (a->shortcuts().contains(QKeySequence(Qt::Key_F6)) &&
                a->shortcuts().contains(QKeySequence(Qt::SHIFT | Qt::Key_F6)));
  EXPECT_TRUE(f6);
}

}  // namespace
}  // namespace ambrine::test
