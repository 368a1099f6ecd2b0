#include "app/window/main_view.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "app/flows/attachment_commands.h"
#include "app/flows/background_operation.h"
#include "app/flows/open_flow.h"
#include "app/flows/save_flow.h"
#include "app/flows/save_text_file.h"
#include "app/web/form_view.h"
#include "app/web/page_handover.h"
#include "app/window/command_rules.h"
#include "app/window/key_commands.h"
#include "app/window/program_setup.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/message_box_error_report.h"

namespace ambrine {

MainView::MainView(QWidget* parent)
    : QWidget(parent),
      view_(new FormView(this)),
      record_(*view_),
      report_(WindowErrorReport()),
      commands_(*view_, record_, viewers_, programFolder_, report_, *this) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  setFocusProxy(view_);
  view_->SetCallHandler(this);
  commands_.SetBeforeEach([this] {
    listingAtHand_.reset();
    AttachmentCommands(Flow()).List(listingAtHand_);
  });
}

MainView::~MainView() {
  view_->SetCallHandler(nullptr);
  CloseViewers();
}

FlowContext MainView::Flow() {
  return FlowContext{settings_, record_.attachments(), record_.page(), commands_.flowReport(), dialogOwner()};
}

bool MainView::ConfirmDiscard() {
  if (!record_.IsChanged()) return true;
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

Result MainView::Start(const std::string& programFolder, const StartupEnvironment& env) {
  programFolder_ = programFolder;
  record_.SetLeafPath(std::string());

  ProgramSetup setup;
  const Result status = SetUpProgram(programFolder, env, setup);
  if (Failed(status)) return status;
  settings_ = std::move(setup.settings);
  recentLeaves_ = std::make_unique<RecentLeaves>(setup.confFolder + "/recent-leaves");
  recentLeaves_->Load();
  ownUserId_ = setup.own.userId;
  ownFingerprint_ = setup.own.fingerprint;
  emit ownKeyChanged(QString::fromStdString(ownUserId_));

  view_->LoadBlank();
  const std::string form = PresetFormPath(programFolder);
  if (!form.empty()) LoadFormFile(form);
  record_.MarkUnchanged();
  return kOk;
}

Result MainView::LoadFormFile(const std::string& path) {
  CloseViewers();  // they showed the attachments of the record that goes
  return record_.LoadFormFile(path, report_);
}

void MainView::NewForm() {
  if (!ConfirmDiscard()) return;
  const QString path = AskOpenFileName(
      dialogOwner(),
      {{QStringLiteral("HTML ファイル (*.html)"), QStringLiteral("*.html")}, AllFilesFilter()});
  if (path.isEmpty()) return;
  const std::string chosen = path.toStdString();
  LoadFormFile(chosen);
  record_.MarkUnchanged();
  // Set whether or not the form could be read.
  record_.SetLeafPath(LeafPathForForm(chosen));
}

void MainView::OpenLeaf(const std::string& path) {
  if (!ConfirmDiscard()) return;
  std::string opened = record_.leafPath();
  OpenFlow flow(Flow());
  if (!(path.empty() ? flow.Run(opened) : flow.Open(path, opened))) return;
  CloseViewers();  // the attachments they showed are gone with their record
  record_.MarkUnchanged();
  record_.SetLeafPath(std::move(opened));
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

void MainView::ShowKeyManagement() { KeyCommands(Flow(), ownFingerprint_).Manage(); }

void MainView::ShowMyFingerprint() { KeyCommands(Flow(), ownFingerprint_).ShowMyFingerprint(); }

void MainView::ExportMyKey() { KeyCommands(Flow(), ownFingerprint_).ExportMyKey(); }

void MainView::saveLeaf() { Save(); }

bool MainView::Save() {
  SavedLeaf saved;
  if (!SaveFlow(Flow()).Run(handover_, record_.leafPath(), ownFingerprint_, saved)) {
    if (view_->pageLoss() != PageLoss::kNone) commands_.NoteLostWork(QStringLiteral("ファイルは保存されていません。"));
    return false;
  }
  // What was saved is the record now (the page is not asked again: while it
  // waits in its saveLeaf call it could not answer). The current leaf
  // follows the last successful save, so the next save proposes the file
  // just written.
  record_.MarkSaved(std::move(saved.formText), std::move(saved.path));
  NoteRecentLeaf();
  return true;
}

void MainView::NoteRecentLeaf() {
  // Kept by its absolute path, so the menu finds it from any folder; the
  // list is a convenience, and failing to write it stops nothing.
  const std::string& leaf = record_.leafPath();
  if (recentLeaves_ && !leaf.empty())
    recentLeaves_->Add(QFileInfo(QString::fromStdString(leaf)).absoluteFilePath().toStdString());
}

void MainView::attachFile(std::optional<std::string>& result) {
  const std::size_t before = record_.attachments().Count();
  AttachmentCommands(Flow()).Attach(result);
  if (record_.attachments().Count() != before) record_.MarkAttachmentsChanged();
}

void MainView::detachFile(std::int32_t index, std::optional<std::string>& result) {
  const std::size_t before = record_.attachments().Count();
  AttachmentCommands(Flow()).Detach(index, result);
  if (record_.attachments().Count() != before) record_.MarkAttachmentsChanged();
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
  viewers_.Open(window(), name, std::move(bytes), content);
}

void MainView::CloseViewers() { viewers_.CloseAll(); }

void MainView::saveForm(const std::string& text) {
  SaveTextToChosenFile(dialogOwner(), text, report_);
}

Result MainView::HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                                PageHandover* handover,
                                std::optional<std::string>& result) {
  Result status = kOk;
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
