#include "app/window/frame_actions.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "app/window/commands.h"
#include "resources/toolbar_images.h"

namespace ambrine {

QAction* MakeCommandAction(QMainWindow* frame, int id, const QList<QKeySequence>& keys) {
  auto* action = new QAction(CommandText(id), frame);
  action->setData(id);
  action->setStatusTip(CommandPrompt(id));
  const QString tip = CommandToolTip(id);
  if (!tip.isEmpty()) action->setToolTip(tip);
  const QIcon image = ToolbarIcon(id);
  if (!image.isNull()) action->setIcon(image);
  action->setIconVisibleInMenu(true);
  if (!keys.isEmpty()) action->setShortcuts(keys);
  // Shortcuts work wherever the focus is in the window, the web view too.
  action->setShortcutContext(Qt::WindowShortcut);
  frame->addAction(action);
  return action;
}

QHash<int, QAction*> MakeCommandActions(QMainWindow* frame) {
  using K = QKeySequence;
  const struct {
    int id;
    QList<QKeySequence> keys;
  } table[] = {
      {kCmdNew, {K(Qt::CTRL | Qt::Key_N)}},
      {kCmdOpen, {K(Qt::CTRL | Qt::Key_O)}},
      {kCmdSave, {K(Qt::CTRL | Qt::Key_S)}},
      {kCmdExportFormData, {}},
      {kCmdPrint, {K(Qt::CTRL | Qt::Key_P)}},
      {kCmdPrintPreview, {}},
      {kCmdPageSetup, {}},
      {kCmdExit, {}},
      {kCmdUndo, {K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)}},
      {kCmdCut, {K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)}},
      {kCmdCopy, {K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)}},
      {kCmdPaste, {K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)}},
      {kCmdSearch, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}},
      {kCmdManageKeys, {}},
      {kCmdMyFingerprint, {}},
      {kCmdExportMyKey, {}},
      {kCmdViewAttachment, {}},
      {kCmdHelpContents, {}},
      {kCmdAbout, {}},
  };
  QHash<int, QAction*> actions;
  for (const auto& row : table) actions.insert(row.id, MakeCommandAction(frame, row.id, row.keys));
  return actions;
}

void BuildMenus(QMenuBar* bar, const QHash<int, QAction*>& actions) {
  const int kSeparator = 0;
  const struct {
    const char* title;
    QList<int> items;
  } menus[] = {
      {"ファイル(&F)",
       {kCmdNew, kCmdOpen, kCmdSave, kSeparator, kCmdExportFormData, kSeparator, kCmdPrint,
        kCmdPrintPreview, kCmdPageSetup, kSeparator, kCmdExit}},
      {"編集(&E)", {kCmdUndo, kSeparator, kCmdCut, kCmdCopy, kCmdPaste}},
      {"ツール(&T)", {kCmdSearch, kSeparator, kCmdManageKeys, kSeparator, kCmdMyFingerprint, kCmdExportMyKey,
                     kSeparator, kCmdViewAttachment}},
      {"ヘルプ(&H)", {kCmdHelpContents, kSeparator, kCmdAbout}},
  };
  for (const auto& m : menus) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(m.title));
    for (int id : m.items) {
      if (id == kSeparator)
        menu->addSeparator();
      else
        menu->addAction(actions.value(id));
    }
  }
}

void BuildToolBar(QToolBar* bar, const QHash<int, QAction*>& actions) {
  bar->setIconSize(QSize(16, 15));
  bar->setMovable(false);
  for (int id : {kCmdNew, kCmdOpen, kCmdSave}) bar->addAction(actions.value(id));
  bar->addSeparator();
  for (int id : {kCmdCut, kCmdCopy, kCmdPaste}) bar->addAction(actions.value(id));
  bar->addSeparator();
  for (int id : {kCmdPrint, kCmdAbout}) bar->addAction(actions.value(id));
}

void ConsumeKeys(QMainWindow* frame, const QList<QKeySequence>& keys) {
  auto* action = new QAction(frame);
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  frame->addAction(action);
}

}  // namespace ambrine
