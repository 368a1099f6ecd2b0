#include "dialogs/select_key_dialog.h"

#include <climits>

#include <QByteArray>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/file_name_dialog.h"
#include "dialogs/key_list_view.h"
#include "dialogs/manage_key_dialog.h"
#include "base/secure_wipe.h"
#include "dialogs/operation_runner.h"
#include "dialogs/passphrase_field.h"
#include "gpg/public_key_ring.h"

namespace ambrine {
namespace {

constexpr int kPassphraseLimit = 260;

}  // namespace

SelectKeyDialog::SelectKeyDialog(GpgSettings* settings, SaveRequest* request,
                                 OperationRunner& runner, QWidget* parent,
                                 ErrorReport& report)
    : QDialog(parent),
      settings_(settings),
      request_(request),
      runner_(runner),
      report_(report),
      initialOutputPath_(QString::fromStdString(request->outputPath)) {
  setWindowTitle(QStringLiteral("ファイルの保存"));
  setModal(true);
  BuildControls();

  request_->recipients.clear();
  SecureWipe(request_->passphrase);
  fileNameEdit_->setText(initialOutputPath_);
  FillList();
  // Always public keys at first, whatever was chosen last time.
  publicKeyRadio_->setChecked(true);
  ShowPublicKeyMode(true);
}

void SelectKeyDialog::BuildControls() {
  auto* group = new QGroupBox(QStringLiteral("鍵の選択"), this);
  publicKeyRadio_ = new QRadioButton(QStringLiteral("公開鍵暗号"), group);
  publicKeyRadio_->setObjectName(QStringLiteral("publicKeyRadio"));
  list_ = new KeyListView(300, QAbstractItemView::MultiSelection, group);
  list_->setObjectName(QStringLiteral("keyList"));
  symmetricRadio_ = new QRadioButton(QStringLiteral("対称暗号"), group);
  symmetricRadio_->setObjectName(QStringLiteral("symmetricRadio"));
  manageKeysButton_ = new QPushButton(QStringLiteral("鍵の管理"), group);
  manageKeysButton_->setObjectName(QStringLiteral("manageKeysButton"));
  passphraseEdit_ = NewPassphraseEdit("passphraseEdit", kPassphraseLimit, group);
  confirmEdit_ = NewPassphraseEdit("confirmEdit", kPassphraseLimit, group);

  auto* symmetricRow = new QHBoxLayout;
  symmetricRow->addWidget(symmetricRadio_);
  symmetricRow->addStretch();
  symmetricRow->addWidget(manageKeysButton_);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(publicKeyRadio_);
  groupLayout->addWidget(list_, 1);
  groupLayout->addLayout(symmetricRow);
  groupLayout->addWidget(new QLabel(QStringLiteral("パスフレーズ"), group));
  groupLayout->addWidget(passphraseEdit_);
  groupLayout->addWidget(new QLabel(QStringLiteral("確認"), group));
  groupLayout->addWidget(confirmEdit_);

  fileNameEdit_ = new QLineEdit(this);
  fileNameEdit_->setObjectName(QStringLiteral("fileNameEdit"));
  // A Linux path may be far longer than 260 characters; a shorter limit
  // would cut the current leaf's path and save somewhere else.
  fileNameEdit_->setMaxLength(PATH_MAX);
  browseButton_ = new QPushButton(QStringLiteral("参照..."), this);
  browseButton_->setObjectName(QStringLiteral("browseButton"));
  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileNameEdit_, 1);
  fileRow->addWidget(browseButton_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->addStretch();
  buttonRow->addWidget(okButton_);
  buttonRow->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addWidget(new QLabel(QStringLiteral("ファイル名"), this));
  layout->addLayout(fileRow);
  layout->addLayout(buttonRow);
  resize(560, 480);

  connect(publicKeyRadio_, &QRadioButton::toggled, this, &SelectKeyDialog::ShowPublicKeyMode);
  connect(manageKeysButton_, &QPushButton::clicked, this, &SelectKeyDialog::ManageKeys);
  connect(browseButton_, &QPushButton::clicked, this, &SelectKeyDialog::Browse);
  connect(okButton_, &QPushButton::clicked, this, &SelectKeyDialog::Accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void SelectKeyDialog::FillList() {
  list_->clear();
  KeyList keys;
  const PublicKeyRing ring(*settings_);
  Result status = kOk;
  runner_.Run([&](OperationProgress&) { status = ring.List(keys); });
  if (Failed(status)) {
    report_.Report(status, report::kSelectKeyListFailed);
    return;
  }
  list_->ShowKeys(keys);
}

void SelectKeyDialog::ShowPublicKeyMode(bool publicKeys) {
  list_->setEnabled(publicKeys);
  manageKeysButton_->setEnabled(publicKeys);
  passphraseEdit_->setEnabled(!publicKeys);
  confirmEdit_->setEnabled(!publicKeys);
}

void SelectKeyDialog::ManageKeys() {
  ManageKeyDialog dialog(settings_, runner_, this, report_);
  dialog.exec();
  // The key ring may have changed; the old selection means nothing now.
  FillList();
}

void SelectKeyDialog::Browse() {
  FileNameQuestion question;
  question.save = true;
  question.filters = {QStringLiteral("gpg ファイル (*.gpg)"),
                      QStringLiteral("すべてのファイル (*.*)")};
  question.defaultSuffix = QStringLiteral("gpg");
  question.initialFile = initialOutputPath_;
  const QString path = AskFileName(this, question);
  if (path.isEmpty()) return;
  fileNameEdit_->setText(path);
  // The file dialog has asked before choosing an existing file; OK does
  // not ask again for that same name.
  browsedExistingPath_ = QFileInfo::exists(path) ? path : QString();
}

void SelectKeyDialog::Accept() {
  const bool publicKeys = publicKeyRadio_->isChecked();
  // Everything is checked before anything is written, so each OK writes the
  // fields afresh (a second OK does not add the recipients twice) and a
  // refused OK leaves the request as it was. gpg encrypts with no
  // empty passphrase, so none is let through.
  if (!publicKeys && passphraseEdit_->text().isEmpty()) {
    ShowError(QStringLiteral("パスフレーズを入力してください。"));
    return;
  }
  if (!publicKeys && passphraseEdit_->text() != confirmEdit_->text()) {
    ShowError(QStringLiteral("Passphrase Miss Match!"));
    return;
  }
  const QString outputPath = fileNameEdit_->text();
  if (outputPath.isEmpty()) {
    ShowError(QStringLiteral("Not Specified Output Filename!"));
    return;
  }
  if (!ConfirmReplacing(outputPath)) return;

  SecureWipe(request_->passphrase);
  request_->publicKeyMode = publicKeys;
  if (publicKeys) {
    request_->recipients = list_->SelectedFingerprints();
  } else {
    request_->recipients.clear();
    request_->passphrase = PassphraseText(passphraseEdit_);
  }
  request_->outputPath = outputPath.toStdString();
  accept();
}

bool SelectKeyDialog::ConfirmReplacing(const QString& path) {
  const QFileInfo target(path);
  if (!target.exists()) return true;
  // Saving over the leaf that is open is the usual save; the same file
  // written another way (a "./" or a link) counts as that leaf too.
  if (path == initialOutputPath_) return true;
  const QString canonical = target.canonicalFilePath();
  if (!canonical.isEmpty() && canonical == QFileInfo(initialOutputPath_).canonicalFilePath())
    return true;
  if (!browsedExistingPath_.isEmpty() && path == browsedExistingPath_) return true;
  return QMessageBox::question(
             this, windowTitle(),
             QStringLiteral("%1 は既に存在します。置き換えますか?").arg(target.fileName()),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void SelectKeyDialog::ShowError(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), text, QMessageBox::Ok, this);
  box.exec();
}

void SelectKeyDialog::done(int result) {
  // The typed passphrases are not kept in the widgets once the dialog ends.
  WipePassphraseField(passphraseEdit_);
  WipePassphraseField(confirmEdit_);
  QDialog::done(result);
}

void SelectKeyDialog::reject() { done(kCancelled); }

}  // namespace ambrine
