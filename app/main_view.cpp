#include "app/main_view.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QVBoxLayout>

#include "app/command_rules.h"
#include "app/file_dialogs.h"
#include "app/form_view.h"
#include "app/save_text_file.h"
#include "dialogs/genkey_dialog.h"
#include "dialogs/manage_key_dialog.h"
#include "dialogs/message_box_error_report.h"
#include "gpg/gpg_engine.h"

namespace ambrine {

namespace {

// Reads a whole file in 4096-byte pieces; the descriptor is closed on every path.
Status ReadWholeFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return LastErrorStatus();
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n > 0) {
      bytes.append(chunk, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      const Status status = n < 0 ? LastErrorStatus() : kOk;
      ::close(fd);
      return status;
    }
  }
}

}  // namespace

MainView::MainView(QWidget* parent)
    : QWidget(parent),
      view_(new FormView(this)),
      livePage_(*view_),
      report_(WindowErrorReport()),
      openFlow_(*this),
      saveFlow_(*this),
      attachmentCommands_(*this) {
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

QWidget* MainView::dialogOwner() {
  QWidget* active = QApplication::activeWindow();
  return active ? active : window();
}

Status MainView::Start(const std::string& programFolder, const StartupEnvironment& env) {
  programFolder_ = programFolder;
  leafPath_.clear();

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

  // Without a listed key the title stays "Ambrine" and my fingerprint empty.
  const OwnKey own = ReadOwnKey(settings_);
  if (own.found) {
    ownUserId_ = own.userId;
    myFingerprint_ = own.fingerprint;
    emit ownKeyChanged(QString::fromStdString(ownUserId_));
  }

  view_->LoadBlank();
  const std::string form = PresetFormPath(programFolder);
  if (!form.empty()) LoadFormFile(form);
  return kOk;
}

Status MainView::LoadFormFile(const std::string& path) {
  store_.Clear();
  std::string bytes;
  const Status status = ReadWholeFile(path, bytes);
  if (Failed(status)) {
    report_.get().Report(status, "mainview", 310);
    return status;
  }
  // The file's own charset declaration decides how it is read.
  view_->LoadBytes(bytes, false);
  return kOk;
}

void MainView::NewForm() {
  const QString path = AskOpenFileName(
      dialogOwner(),
      {{QStringLiteral("HTML ファイル (*.html)"), QStringLiteral("*.html")}, AllFilesFilter()});
  if (path.isEmpty()) return;
  const std::string chosen = path.toStdString();
  LoadFormFile(chosen);
  // Set whether or not the form could be read.
  leafPath_ = LeafPathForForm(chosen);
}

void MainView::OpenLeaf() { openFlow_.Run(); }

void MainView::ExportFormData() {
  const PageCallResult result = view_->CallPageFunction("exportForm", {});
  if (result.status == kUnknownName) return;  // the page offers no export
  if (Failed(result.status)) {
    report_.get().Report(result.status, "mainview", 1686);
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
    report_.get().Report(kFailure, "mainview", 1746);
    return;
  }
  GpgEngine engine(settings_);
  const Status status = engine.ExportKey(myFingerprint_, path.toStdString(), nullptr);
  if (Failed(status)) report_.get().Report(status, "mainview", 1746);
}

void MainView::saveLeaf() { saveFlow_.Run(handover_); }

void MainView::attachFile(std::optional<std::string>& result) { attachmentCommands_.Attach(result); }

void MainView::detachFile(std::int32_t index, std::optional<std::string>& result) {
  attachmentCommands_.Detach(index, result);
}

void MainView::listFile(std::optional<std::string>& result) { attachmentCommands_.List(result); }

void MainView::extractFile(std::int32_t index) { attachmentCommands_.Extract(index); }

void MainView::saveForm(const std::string& text) {
  SaveTextToChosenFile(dialogOwner(), text, report_);
}

Status MainView::HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                                const PageHandover* handover,
                                std::optional<std::string>& result) {
  handover_ = handover;
  const Status status = Invoke(GetIdOfName(name), args, result);
  handover_ = nullptr;
  return status;
}

}  // namespace ambrine
