#include "app/window/main_view.h"

#include <QFileInfo>


#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/flows/attachment_commands.h"
#include "app/flows/background_operation.h"
#include "app/flows/background_runner.h"
#include "app/flows/file_dialogs.h"
#include "app/flows/open_flow.h"
#include "app/flows/save_flow.h"
#include "app/flows/save_text_file.h"
#include "app/web/form_view.h"
#include "app/web/page_handover.h"
#include "app/window/attachment_viewer_window.h"
#include "app/window/command_rules.h"
#include "base/whole_file.h"
#include "dialogs/file_dialog_folder.h"
#include "dialogs/genkey_dialog.h"
#include "dialogs/manage_key_dialog.h"
#include "dialogs/message_box_error_report.h"
#include "gpg/gpg_engine.h"
#include "gpg/own_key.h"

namespace ambrine {

MainView::MainView(QWidget* parent)
    : QWidget(parent),
      view_(new FormView(this)),
      livePage_(*view_),
      report_(WindowErrorReport()) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  view_->SetCallHandler(this);
  // The loss is noted here; a command running now deals with it when it
  // ends, otherwise it is dealt with as soon as the engine's signal is done.
  connect(view_, &FormView::pageLost, this, [this](PageLoss why) {
    if (lossToTell_ == PageLoss::kNone) lossToTell_ = why;
    if (!flowRunning_) QTimer::singleShot(0, this, &MainView::HandleLossLater);
  });
}

MainView::~MainView() {
  view_->SetCallHandler(nullptr);
  CloseViewers();
  store_.Clear();  // no temporary attachment file outlives the window
}

void MainView::FlowReport::Report(Status code, const char* source, int line) {
  if (IsPageLoss(code)) return;
  view_.report_.get().Report(code, source, line);
}

FlowContext MainView::Flow() {
  return FlowContext{settings_, store_, livePage_, flowReport_, dialogOwner()};
}

void MainView::SetLeafPath(std::string path) {
  leafPath_ = std::move(path);
  emit leafPathChanged(QString::fromStdString(leafPath_));
}

bool MainView::RunExclusive(const std::function<void()>& command) {
  if (flowRunning_) return false;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(flowRunning_);
  listingAtHand_.reset();
  AttachmentCommands(Flow()).List(listingAtHand_);
  const quint64 loadsBefore = view_->loadCount();
  command();
  if (lossToTell_ != PageLoss::kNone) {
    if (view_->formPage()->InPageCall()) {
      // The page's call is still on the stack: no document may replace
      // that page before the call has returned.
      QTimer::singleShot(0, this, &MainView::HandleLossLater);
    } else {
      AfterPageLoss(view_->loadCount() != loadsBefore);
    }
  }
  return true;
}

void MainView::HandleLossLater() {
  if (lossToTell_ != PageLoss::kNone) RunExclusive([] {});
}

void MainView::AfterPageLoss(bool recordReplaced) {
  QString text = lossToTell_ == PageLoss::kUnresponsive
                     ? QStringLiteral("ページのスクリプトが応答しないため、ページを停止しました。")
                     : QStringLiteral("ページの表示が異常終了しました。");
  if (!lostWork_.isEmpty()) text += QLatin1Char('\n') + std::exchange(lostWork_, QString());
  if (view_->pageLoss() != PageLoss::kNone) text += QLatin1Char('\n') + RecoverPage(recordReplaced);
  // What went wrong while the form was shown again is told by this message.
  lossToTell_ = PageLoss::kNone;
  QMessageBox::critical(dialogOwner(), QStringLiteral("Error"), text);
  // A page lost while the message was up is dealt with after it.
  if (lossToTell_ != PageLoss::kNone) QTimer::singleShot(0, this, &MainView::HandleLossLater);
}

QString MainView::RecoverPage(bool recordReplaced) {
  // The record on screen is kept (its attachments, its leaf): its page comes
  // back as it was last loaded, with the values it had when it was last
  // loaded or saved. What was typed since lived only in the lost page.
  if (!recordReplaced && Succeeded(view_->ReloadLastDocument())) {
    const std::string& values = changes_.formText();
    if (values.empty() || !IsPageLoss(livePage_.CallRestoreForm(values))) {
      return QStringLiteral("フォームを読み込み直しました。保存していない入力は失われています。");
    }
  }
  // No record to come back to: an open or New was putting another record
  // on screen when its page was lost, or the record's own page fails again.
  // A new record on the preset form, as at start; no leaf is current, so no
  // save can replace a leaf with what could not be shown.
  SetLeafPath(std::string());
  const std::string form = PresetFormPath(programFolder_);
  if (!form.empty() && Succeeded(LoadFormFile(form)) && view_->pageLoss() == PageLoss::kNone) {
    changes_.MarkUnchanged(livePage_);
    return QStringLiteral("新しいフォームを表示しました。");
  }
  store_.Clear();
  CloseViewers();
  view_->LoadBlank();
  changes_.MarkUnchanged(std::string());
  return QStringLiteral("フォームを表示できません。");
}

bool MainView::ConfirmDiscard() {
  if (!changes_.IsChanged(livePage_)) return true;
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Ambrine"),
                  QStringLiteral("フォームの内容が変更されています。保存しますか?"),
                  QMessageBox::NoButton, dialogOwner());
  QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
  QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.setEscapeButton(cancel);
  box.exec();
  if (box.clickedButton() == discard) return true;
  if (box.clickedButton() == save) return Save();
  return false;
}

QWidget* MainView::dialogOwner() {
  QWidget* active = QApplication::activeWindow();
  return active ? active : window();
}

Status MainView::Start(const std::string& programFolder, const StartupEnvironment& env) {
  programFolder_ = programFolder;
  SetLeafPath(std::string());

  std::string conf;
  bool perUser = false;
  Status status = ConfFolderFor(programFolder, env, conf, perUser);
  if (Failed(status)) return status;
  status = PrepareConfFolder(conf, perUser);
  if (Failed(status)) return status;
  settings_ = BaseSettings(GpgPathFor(programFolder, env), conf);
  recentLeaves_ = std::make_unique<RecentLeaves>(conf + "/recent-leaves");
  recentLeaves_->Load();
  // File dialogs open where the user's files are, never among the
  // program's own.
  FileDialogFolder::BeginRun(
      {QString::fromStdString(programFolder), QString::fromStdString(conf)});

  BackgroundRunner runner;
  if (NeedsKeyPair(settings_)) {
    GenkeyDialog dialog(&settings_, runner, QApplication::activeWindow());
    if (dialog.DoModal() != 1) return kCancelled;
  }

  AddPresetKeyrings(programFolder, settings_);

  // Every save signs with the own key: the program does not go on without
  // one, even when the ring holds nothing gpg lists as a secret key.
  OwnKey own = ReadOwnKey(settings_);
  while (!own.found) {
    GenkeyDialog dialog(&settings_, runner, QApplication::activeWindow());
    if (dialog.DoModal() != 1) return kCancelled;
    own = ReadOwnKey(settings_);
  }
  ownUserId_ = own.userId;
  myFingerprint_ = own.fingerprint;
  emit ownKeyChanged(QString::fromStdString(ownUserId_));

  view_->LoadBlank();
  const std::string form = PresetFormPath(programFolder);
  if (!form.empty()) LoadFormFile(form);
  changes_.MarkUnchanged(livePage_);
  return kOk;
}

Status MainView::LoadFormFile(const std::string& path) {
  store_.Clear();
  CloseViewers();  // they showed the attachments of the record that goes
  std::string bytes;
  const Status status = ReadWholeFile(path, bytes);
  if (Failed(status)) {
    report_.get().Report(status, report::kFormFileUnreadable);
    return status;
  }
  // The file's own charset declaration decides how it is read.
  view_->LoadBytes(bytes, false);
  return kOk;
}

void MainView::NewForm() {
  if (!ConfirmDiscard()) return;
  const QString path = AskOpenFileName(
      dialogOwner(),
      {{QStringLiteral("HTML ファイル (*.html)"), QStringLiteral("*.html")}, AllFilesFilter()});
  if (path.isEmpty()) return;
  const std::string chosen = path.toStdString();
  LoadFormFile(chosen);
  changes_.MarkUnchanged(livePage_);
  // Set whether or not the form could be read.
  SetLeafPath(LeafPathForForm(chosen));
}

void MainView::OpenLeaf(const std::string& path) {
  if (!ConfirmDiscard()) return;
  std::string opened = leafPath_;
  OpenFlow flow(Flow());
  if (!(path.empty() ? flow.Run(opened) : flow.Open(path, opened))) return;
  CloseViewers();  // the attachments they showed are gone with their record
  changes_.MarkUnchanged(livePage_);
  SetLeafPath(std::move(opened));
  NoteRecentLeaf();
}

void MainView::ExportFormData() {
  const PageCallResult result = view_->CallPageFunction("exportForm", {});
  if (result.status == kUnknownName) return;  // the page offers no export
  if (IsPageLoss(result.status)) return;      // told when the command ends
  if (Failed(result.status)) {
    report_.get().Report(result.status, report::kExportFormFailed);
    return;
  }
  // A result that is not a string gives an empty file.
  SaveTextToChosenFile(dialogOwner(), result.isString ? result.text : std::string(), report_);
}

void MainView::ShowKeyManagement() {
  BackgroundRunner runner;
  ManageKeyDialog dialog(&settings_, runner, dialogOwner());
  dialog.exec();
}

void MainView::ShowMyFingerprint() {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("自分の鍵指紋"),
                  QString::fromStdString(FingerprintDisplayText(myFingerprint_)),
                  QMessageBox::Ok, this);
  box.exec();
}

void MainView::ExportMyKey() {
  const QString path = AskSaveFileName(
      dialogOwner(),
      {{QStringLiteral("公開鍵 ファイル (*.gpg)"), QStringLiteral("*.gpg")}, AllFilesFilter()},
      QStringLiteral("gpg"), QStringLiteral("Untitled"));
  if (path.isEmpty()) return;
  // Without a key of its own, gpg would be asked for every key in the rings.
  if (myFingerprint_.empty()) {
    report_.get().Report(kFailure, report::kOwnKeyExportFailed);
    return;
  }
  GpgEngine engine(settings_);
  const Status status = engine.ExportKey(myFingerprint_, path.toStdString(), nullptr);
  if (Failed(status)) report_.get().Report(status, report::kOwnKeyExportFailed);
}

void MainView::saveLeaf() { Save(); }

bool MainView::Save() {
  std::string saved;
  if (!SaveFlow(Flow()).Run(handover_, leafPath_, myFingerprint_, saved)) {
    if (view_->pageLoss() != PageLoss::kNone) lostWork_ = QStringLiteral("ファイルは保存されていません。");
    return false;
  }
  // What was saved is the record now (the page is not asked again: while it
  // waits in its saveLeaf call it could not answer).
  changes_.MarkUnchanged(std::move(saved));
  // The current leaf follows the last successful save, so the next save
  // proposes the file just written.
  SetLeafPath(settings_.outputPath);
  NoteRecentLeaf();
  return true;
}

void MainView::NoteRecentLeaf() {
  // Kept by its absolute path, so the menu finds it from any folder; the
  // list is a convenience, and failing to write it stops nothing.
  if (recentLeaves_ && !leafPath_.empty())
    recentLeaves_->Add(QFileInfo(QString::fromStdString(leafPath_)).absoluteFilePath().toStdString());
}

void MainView::attachFile(std::optional<std::string>& result) {
  const std::size_t before = store_.Count();
  AttachmentCommands(Flow()).Attach(result);
  if (store_.Count() != before) changes_.MarkAttachmentsChanged();
}

void MainView::detachFile(std::int32_t index, std::optional<std::string>& result) {
  const std::size_t before = store_.Count();
  AttachmentCommands(Flow()).Detach(index, result);
  if (store_.Count() != before) changes_.MarkAttachmentsChanged();
}

void MainView::listFile(std::optional<std::string>& result) {
  // A flow's worker thread may be changing the attachments: the page gets
  // the listing as it stood when the GUI thread last had them to itself.
  if (BackgroundOperation::WorkerRunsFreely()) {
    result = listingAtHand_;
    return;
  }
  AttachmentCommands(Flow()).List(result);
  listingAtHand_ = result;
}

void MainView::extractFile(std::int32_t index) { AttachmentCommands(Flow()).Extract(index); }

void MainView::viewFile(std::int32_t index) {
  AttachmentCommands(Flow()).View(index, [this](const QString& name, std::shared_ptr<const WipedBytes> bytes,
                                                const ViewerContent& content) {
    OpenViewer(name, std::move(bytes), content);
  });
}

void MainView::ViewAttachment() {
  AttachmentCommands(Flow()).ChooseAndView([this](const QString& name,
                                                  std::shared_ptr<const WipedBytes> bytes,
                                                  const ViewerContent& content) {
    OpenViewer(name, std::move(bytes), content);
  });
}

void MainView::OpenViewer(const QString& name, std::shared_ptr<const WipedBytes> bytes,
                          const ViewerContent& content) {
  auto* viewer = new AttachmentViewerWindow(window(), name, std::move(bytes), content);
  viewers_.erase(std::remove(viewers_.begin(), viewers_.end(), nullptr), viewers_.end());
  viewers_.emplace_back(viewer);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

void MainView::CloseViewers() {
  // Deleted now rather than closed (which deletes later): the bytes go with
  // the window and are wiped before anything else happens.
  for (const QPointer<AttachmentViewerWindow>& viewer : std::exchange(viewers_, {}))
    delete viewer.data();
}

std::vector<AttachmentViewerWindow*> MainView::viewers() const {
  std::vector<AttachmentViewerWindow*> open;
  for (const QPointer<AttachmentViewerWindow>& viewer : viewers_)
    if (viewer) open.push_back(viewer.data());
  return open;
}

void MainView::saveForm(const std::string& text) {
  SaveTextToChosenFile(dialogOwner(), text, report_);
}

Status MainView::HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                                const PageHandover* handover,
                                std::optional<std::string>& result) {
  Status status = kOk;
  auto call = [&]() {
    handover_ = handover;
    status = Invoke(GetIdOfName(name), args, result);
    handover_ = nullptr;
  };
  // Listing changes nothing, and a page being loaded by an open lists what
  // the open brings; every other call that arrives while a flow runs does
  // nothing.
  if (name == "listFile") {
    call();
  } else {
    RunExclusive(call);
  }
  return status;
}

}  // namespace ambrine
