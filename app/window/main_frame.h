// The program's main window: menu bar, toolbar, status bar and the view.
// Each command is one small slot that hands the work to the view or the web
// page.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>
#include <string>

#include "base/folders.h"

class QAction;
class QCloseEvent;
class QLabel;

namespace ambrine {

class RecentLeavesMenu;

class MainView;
class ManualWindow;
class SearchDialog;

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainFrame(QWidget* parent = nullptr);
  ~MainFrame() override;

  // Runs the view's start-up; false ends the program without a window.
  // With a `leaf` (an absolute path), that leaf is opened as File > Open
  // opens a chosen file, once the event loop runs after the start-up.
  bool Start(const std::string& programFolder, const StartupEnvironment& env,
             const QString& leaf = QString());

  MainView* view() const { return view_; }
  QAction* action(int id) const { return actions_.value(id); }

 protected:
  // Exit, the close box and Alt+F4: refused while a flow runs; a changed
  // record brings the question whether to save it first.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Connect();
  // Opens a leaf given on the command line or dropped on the window; does
  // nothing while a flow runs.
  void OpenGivenLeaf(const QString& path);
  // Opens a leaf chosen from the recent leaves; one that is gone is taken
  // off the list, with a message.
  void OpenRecentLeaf(const QString& path);
  void ShowLeafPath(const QString& path);
  void Print();
  void PrintPreview();
  void PageSetup();
  // ツール > 検索: shows the search dialog (one, kept beside the window);
  // its searches run as flows, and a leaf found opens as File > Open does.
  void ShowSearch();
  void HelpContents();
  void About();
  void SetOwnKeyTitle(const QString& userId);

  MainView* view_;
  QLabel* leafName_;  // the current leaf's file name, in the status bar
  QHash<int, QAction*> actions_;
  QPrinter printer_;
  QPointer<ManualWindow> manual_;  // while the manual is open
  QPointer<SearchDialog> search_;  // once the search dialog was shown
  RecentLeavesMenu* recentMenu_;
};

// The window's title for a user id: "Ambrine - " + the id.
QString TitleFor(const QString& userId);

}  // namespace ambrine
