#include "app/window/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/window/commands.h"
#include "app/web/form_view.h"
#include "app/window/frame_actions.h"
#include "app/window/leaf_drop_filter.h"
#include "app/window/main_view.h"
#include "app/window/manual_window.h"
#include "dialogs/about_dialog.h"
#include "app/window/recent_leaves_menu.h"
#include "app/flows/search_flow.h"
#include "dialogs/search_dialog.h"
#include "resources/toolbar_images.h"

namespace ambrine {

namespace {

// Prints the form and waits until the engine has painted every page, so
// the printer is not used after the dialog that owns it has gone.
void PrintAndWait(FormView& view, QPrinter* printer) {
  QEventLoop loop;
  QObject::connect(&view, &QWebEngineView::printFinished, &loop, &QEventLoop::quit);
  QObject::connect(view.page(), &QWebEnginePage::renderProcessTerminated, &loop,
                   &QEventLoop::quit);
  view.print(printer);
  loop.exec();
}

}  // namespace

QString TitleFor(const QString& userId) { return QStringLiteral("Ambrine - ") + userId; }

MainFrame::MainFrame(QWidget* parent)
    : QMainWindow(parent), view_(new MainView(this)), leafName_(new QLabel(this)) {
  setWindowTitle(QStringLiteral("Ambrine"));
  setWindowIcon(ProgramIcon());
  actions_ = MakeCommandActions(this);
  BuildMenus(menuBar(), actions_);
  // The recent leaves go above Exit, in a group of their own.
  recentMenu_ = new RecentLeavesMenu(this);
  recentMenu_->setObjectName(QStringLiteral("recentLeaves"));
  QMenu* file = menuBar()->actions().first()->menu();
  QAction* exitGroup = file->actions().at(file->actions().indexOf(actions_.value(kCmdExit)) - 1);
  file->insertSeparator(file->insertMenu(exitGroup, recentMenu_));
  connect(recentMenu_, &RecentLeavesMenu::leafChosen, this, &MainFrame::OpenRecentLeaf);
  auto* toolBar = addToolBar(QStringLiteral("Standard"));
  toolBar->setObjectName(QStringLiteral("standardToolBar"));
  BuildToolBar(toolBar, actions_);
  ConsumeKeys(this, {QKeySequence(Qt::Key_F6), QKeySequence(Qt::SHIFT | Qt::Key_F6)});

  // "Ready" sits in the status bar and gives way while a prompt is shown.
  statusBar()->addWidget(new QLabel(ReadyText(), statusBar()));
  // Which record is open stays in sight.
  leafName_->setObjectName(QStringLiteral("leafName"));
  statusBar()->addPermanentWidget(leafName_);
  setCentralWidget(view_);
  resize(960, 720);
  // A file dropped anywhere on the window, the page included, is opened.
  auto* drops = new LeafDropFilter(this);
  drops->Watch(this);
  drops->Watch(&view_->formView());
  connect(drops, &LeafDropFilter::leafDropped, this, &MainFrame::OpenGivenLeaf);
  Connect();
}

MainFrame::~MainFrame() = default;

bool MainFrame::Start(const std::string& programFolder, const StartupEnvironment& env,
                      const QString& leaf) {
  if (!Succeeded(view_->Start(programFolder, env))) return false;
  recentMenu_->SetSource(view_->recentLeaves());
  // The open's dialogs belong over the window, which is shown by then.
  if (!leaf.isEmpty()) QTimer::singleShot(0, this, [this, leaf] { OpenGivenLeaf(leaf); });
  return true;
}

void MainFrame::OpenGivenLeaf(const QString& path) {
  view_->RunExclusive([this, path]() { view_->OpenLeaf(path.toStdString()); });
}

void MainFrame::OpenRecentLeaf(const QString& path) {
  if (!QFileInfo::exists(path)) {
    if (RecentLeaves* recent = view_->recentLeaves()) recent->Remove(path.toStdString());
    QMessageBox::warning(this, QStringLiteral("Ambrine"),
                         QStringLiteral("ファイルが見つかりません。一覧から外しました。\n%1").arg(path));
    return;
  }
  OpenGivenLeaf(path);
}

void MainFrame::SetOwnKeyTitle(const QString& userId) { setWindowTitle(TitleFor(userId)); }

void MainFrame::ShowLeafPath(const QString& path) {
  leafName_->setText(QFileInfo(path).fileName());
  leafName_->setToolTip(path);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  bool mayClose = false;
  if (!view_->RunExclusive([&]() { mayClose = view_->ConfirmDiscard(); })) {
    event->ignore();  // a flow runs: its dialogs and gpg are still at work
    return;
  }
  if (mayClose) {
    if (manual_) manual_->close();  // the manual goes with the window
    if (search_) search_->close();
    view_->CloseViewers();          // and so do the attachment viewers
    event->accept();
  } else {
    event->ignore();
  }
}

void MainFrame::Connect() {
  // Every command runs as a flow of its own: refused while another runs.
  auto on = [this](int id, auto&& slot) {
    connect(actions_.value(id), &QAction::triggered, this,
            [this, slot]() { view_->RunExclusive(slot); });
  };
  auto web = [this](QWebEnginePage::WebAction action) {
    return [this, action]() { view_->formView().page()->triggerAction(action); };
  };
  connect(view_, &MainView::ownKeyChanged, this, &MainFrame::SetOwnKeyTitle);
  connect(&view_->record(), &Record::leafPathChanged, this, &MainFrame::ShowLeafPath);
  on(kCmdNew, [this]() { view_->NewForm(); });
  on(kCmdOpen, [this]() { view_->OpenLeaf(); });
  on(kCmdSave, [this]() { view_->saveLeaf(); });
  on(kCmdExportFormData, [this]() { view_->ExportFormData(); });
  on(kCmdPrint, [this]() { Print(); });
  on(kCmdPrintPreview, [this]() { PrintPreview(); });
  on(kCmdPageSetup, [this]() { PageSetup(); });
  // Closing asks its own question (closeEvent).
  connect(actions_.value(kCmdExit), &QAction::triggered, this, &QWidget::close);
  on(kCmdUndo, web(QWebEnginePage::Undo));
  on(kCmdCut, web(QWebEnginePage::Cut));
  on(kCmdCopy, web(QWebEnginePage::Copy));
  on(kCmdPaste, web(QWebEnginePage::Paste));
  connect(actions_.value(kCmdSearch), &QAction::triggered, this, &MainFrame::ShowSearch);
  on(kCmdManageKeys, [this]() { view_->ShowKeyManagement(); });
  on(kCmdMyFingerprint, [this]() { view_->ShowMyFingerprint(); });
  on(kCmdExportMyKey, [this]() { view_->ExportMyKey(); });
  on(kCmdViewAttachment, [this]() { view_->ViewAttachment(); });
  on(kCmdHelpContents, [this]() { HelpContents(); });
  on(kCmdAbout, [this]() { About(); });
}

void MainFrame::ShowSearch() {
  if (!search_) {
    search_ = new SearchDialog(this);
    connect(search_, &SearchDialog::searchRequested, this, [this]() {
      view_->RunExclusive([this]() { RunSearch(view_->settings(), *search_); });
    });
    connect(search_, &SearchDialog::leafChosen, this, &MainFrame::OpenGivenLeaf);
  }
  search_->show();
  search_->raise();
  search_->activateWindow();
}

void MainFrame::Print() {
  QPrintDialog dialog(&printer_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintAndWait(view_->formView(), &printer_);
}

void MainFrame::PrintPreview() {
  QPrintPreviewDialog dialog(&printer_, this);
  connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* printer) { PrintAndWait(view_->formView(), printer); });
  dialog.exec();
}

void MainFrame::PageSetup() {
  QPageSetupDialog dialog(&printer_, this);
  dialog.exec();
}

void MainFrame::HelpContents() {
  // The manual beside the program, in a window of the program's own (one
  // at a time); nothing happens when it is missing.
  if (view_->programFolder().empty()) return;
  if (!manual_) {
    auto* manual = new ManualWindow(this);
    if (!manual->Load(view_->programFolder() + "manual.html")) {
      delete manual;
      return;
    }
    manual_ = manual;
  }
  manual_->show();
  manual_->raise();
  manual_->activateWindow();
}

void MainFrame::About() {
  AboutDialog dialog(this);
  dialog.DoModal();
}

}  // namespace ambrine
