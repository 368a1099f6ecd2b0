#include "dialogs/manage_key_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/file_name_dialog.h"
#include "dialogs/key_list_view.h"
#include "dialogs/operation_runner.h"
#include "gpg/public_key_ring.h"

namespace ambrine {
namespace {

const QStringList kKeyFileFilters{QStringLiteral("公開鍵 ファイル (*.gpg)"),
                                  QStringLiteral("すべてのファイル (*.*)")};
const QStringList kArmoredKeyFileFilters{QStringLiteral("ASCII 形式の公開鍵 (*.asc)"),
                                         QStringLiteral("すべてのファイル (*.*)")};

QPushButton* NewButton(const QString& text, const char* name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

ManageKeyDialog::ManageKeyDialog(GpgSettings* settings, OperationRunner& runner,
                                 QWidget* parent, ErrorReport& report)
    : QDialog(parent), settings_(settings), runner_(runner), report_(report) {
  setWindowTitle(QStringLiteral("鍵の管理"));
  setModal(true);

  list_ = new KeyListView(400, QAbstractItemView::SingleSelection, this);
  list_->setObjectName(QStringLiteral("keyList"));
  list_->AddFactColumns();
  importButton_ = NewButton(QStringLiteral("インポート(&I)"), "importButton", this);
  exportButton_ = NewButton(QStringLiteral("エクスポート(&E)"), "exportButton", this);
  exportArmoredButton_ =
      NewButton(QStringLiteral("メール用にエクスポート(&M)"), "exportArmoredButton", this);
  deleteButton_ = NewButton(QStringLiteral("削除(&D)"), "deleteButton", this);
  okButton_ = NewButton(QStringLiteral("OK"), "okButton", this);
  okButton_->setDefault(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(importButton_);
  buttons->addWidget(exportButton_);
  buttons->addWidget(exportArmoredButton_);
  buttons->addWidget(deleteButton_);
  buttons->addStretch();
  buttons->addWidget(okButton_);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(980, 220);

  connect(importButton_, &QPushButton::clicked, this, &ManageKeyDialog::Import);
  connect(exportButton_, &QPushButton::clicked, this, [this] { Export(false); });
  connect(exportArmoredButton_, &QPushButton::clicked, this, [this] { Export(true); });
  connect(deleteButton_, &QPushButton::clicked, this, &ManageKeyDialog::Delete);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  FillList();
}

Result ManageKeyDialog::OnRing(const std::function<Result(const PublicKeyRing&)>& operation) {
  const PublicKeyRing ring(*settings_);
  Result status = kOk;
  runner_.Run([&](OperationProgress&) { status = operation(ring); });
  return status;
}

void ManageKeyDialog::FillList() {
  // A failed listing is not reported: whatever entries gpg gave are shown.
  KeyList keys;
  KeyFactsList facts;
  OnRing([&](const PublicKeyRing& ring) { return ring.List(keys, &facts); });
  list_->ShowKeys(keys, &facts);
}

void ManageKeyDialog::Import() {
  FileNameQuestion question;
  question.filters = kKeyFileFilters;
  question.defaultSuffix = QStringLiteral("gpg");
  const QString path = AskFileName(this, question);
  if (path.isEmpty()) return;

  const std::string file = path.toStdString();
  const Result status = OnRing([&](const PublicKeyRing& ring) { return ring.Import(file); });
  if (Failed(status)) {
    report_.Report(status, report::kManageKeyImportFailed);
    return;
  }
  FillList();
}

void ManageKeyDialog::Export(bool armor) {
  const std::string fingerprint = SelectedFingerprint();
  if (fingerprint.empty()) return;

  FileNameQuestion question;
  question.save = true;
  question.filters = armor ? kArmoredKeyFileFilters : kKeyFileFilters;
  question.defaultSuffix = armor ? QStringLiteral("asc") : QStringLiteral("gpg");
  question.initialFile = QStringLiteral("Untitled");
  const QString path = AskFileName(this, question);
  if (path.isEmpty()) return;

  const std::string file = path.toStdString();
  const Result status = OnRing(
      [&](const PublicKeyRing& ring) { return ring.Export(fingerprint, file, armor); });
  if (Failed(status)) report_.Report(status, report::kManageKeyExportFailed);
}

void ManageKeyDialog::Delete() {
  const std::string fingerprint = SelectedFingerprint();
  if (fingerprint.empty()) return;

  const Result status =
      OnRing([&](const PublicKeyRing& ring) { return ring.Delete(fingerprint); });
  if (Failed(status)) report_.Report(status, report::kManageKeyDeleteFailed);
  // Refilled in every case: the list shows what the key ring now holds.
  FillList();
}

std::string ManageKeyDialog::SelectedFingerprint() const {
  const std::vector<std::string> selected = list_->SelectedFingerprints();
  return selected.empty() ? std::string() : selected.front();
}

void ManageKeyDialog::reject() { done(kCancelled); }

}  // namespace ambrine
