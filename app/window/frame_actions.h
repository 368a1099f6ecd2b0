// Builds the main window's actions, menus and toolbar from the command table.
#pragma once

#include <QHash>
#include <QKeySequence>
#include <QList>

class QAction;
class QMainWindow;
class QMenuBar;
class QToolBar;

namespace ambrine {

// The command's action: menu text, status tip (prompt), tooltip, image and
// shortcuts. Never disabled.
QAction* MakeCommandAction(QMainWindow* frame, int id, const QList<QKeySequence>& keys = {});

// Every command's action, by id, with the shortcuts of the accelerator table.
QHash<int, QAction*> MakeCommandActions(QMainWindow* frame);

// The four menus, in order: ファイル, 編集, ツール, ヘルプ.
void BuildMenus(QMenuBar* bar, const QHash<int, QAction*>& actions);

// New, Open, Save | Cut, Copy, Paste | Print, About.
void BuildToolBar(QToolBar* bar, const QHash<int, QAction*>& actions);

// F6 and Shift+F6: taken by the window so they do nothing.
void ConsumeKeys(QMainWindow* frame, const QList<QKeySequence>& keys);

}  // namespace ambrine
