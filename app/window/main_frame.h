// The program's main window: menu bar, toolbar, status bar and the view.
// Each command is one small slot that hands the work to the view or the web
// page.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPrinter>
#include <string>

#include "base/folders.h"

class QAction;

namespace ambrine {

class MainView;

class MainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainFrame(QWidget* parent = nullptr);
  ~MainFrame() override;

  // Runs the view's start-up; false ends the program without a window.
  bool Start(const std::string& programFolder, const StartupEnvironment& env);

  MainView* view() const { return view_; }
  QAction* action(int id) const { return actions_.value(id); }

 private:
  void Connect();
  void Print();
  void PrintPreview();
  void PageSetup();
  void HelpContents();
  void About();
  void SetOwnKeyTitle(const QString& userId);

  MainView* view_;
  QHash<int, QAction*> actions_;
  QPrinter printer_;
};

// The window's title for a user id: "Ambrine - " + the id.
QString TitleFor(const QString& userId);

}  // namespace ambrine
