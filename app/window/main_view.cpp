#include "app/window/main_view.h"


#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/flows/attachment_commands.h"
#include "app/flows/file_dialogs.h"
#include "app/flows/open_flow.h"
#include "app/flows/save_flow.h"
#include "app/flows/save_text_file.h"
#include "app/web/form_view.h"
#include "app/web/page_handover.h"
#include "app/window/command_rules.h"
#include "base/whole_file.h"
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
}

MainView::~MainView() {
  view_->SetCallHandler(nullptr);
  store_.Clear();  // no temporary attachment file outlives the window
}

FlowContext MainView::Flow() {
  return FlowContext{settings_, store_, livePage_, report_.get(), dialogOwner()};
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
  command();
  return true;
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

  if (NeedsKeyPair(settings_)) {
    GenkeyDialog dialog(&settings_, QApplication::activeWindow());
    if (dialog.DoModal() != 1) return kCancelled;
  }

  AddPresetKeyrings(programFolder, settings_);

  // Every save signs with the own key: the program does not go on without
  // one, even when the ring holds nothing gpg lists as a secret key.
  OwnKey own = ReadOwnKey(settings_);
  while (!own.found) {
    GenkeyDialog dialog(&settings_, QApplication::activeWindow());
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

void MainView::OpenLeaf() {
  if (!ConfirmDiscard()) return;
  std::string path = leafPath_;
  if (!OpenFlow(Flow()).Run(path)) return;
  changes_.MarkUnchanged(livePage_);
  SetLeafPath(std::move(path));
}

void MainView::ExportFormData() {
  const PageCallResult result = view_->CallPageFunction("exportForm", {});
  if (result.status == kUnknownName) return;  // the page offers no export
  if (Failed(result.status)) {
    report_.get().Report(result.status, report::kExportFormFailed);
    return;
  }
  // A result that is not a string gives an empty file.
  SaveTextToChosenFile(dialogOwner(), result.isString ? result.text : std::string(), report_);
}

void MainView::ShowKeyManagement() {
  ManageKeyDialog dialog(&settings_, dialogOwner());
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
  if (!SaveFlow(Flow()).Run(handover_, leafPath_, myFingerprint_)) return false;
  // While the page waits in its saveLeaf call it cannot be asked again:
  // what it handed over is what was saved.
  if (handover_) {
    changes_.MarkUnchanged(handover_->formIsString ? handover_->formText : std::string());
  } else {
    changes_.MarkUnchanged(livePage_);
  }
  // The current leaf follows the last successful save, so the next save
  // proposes the file just written.
  SetLeafPath(settings_.outputPath);
  return true;
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

void MainView::listFile(std::optional<std::string>& result) { AttachmentCommands(Flow()).List(result); }

void MainView::extractFile(std::int32_t index) { AttachmentCommands(Flow()).Extract(index); }

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
