#include "dialogs/search_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "dialogs/file_dialog_folder.h"
#include "dialogs/passphrase_field.h"
#include "gpg/key_list.h"

namespace ambrine {

namespace {

QTreeWidget* MakeList(const QStringList& headers, QWidget* parent) {
  auto* list = new QTreeWidget(parent);
  list->setHeaderLabels(headers);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setAlternatingRowColors(true);
  list->header()->setStretchLastSection(true);
  return list;
}

}  // namespace

SearchDialog::SearchDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("検索"));
  setModal(false);
  resize(760, 520);

  folder_ = new QLineEdit(FileDialogFolder::Start(), this);
  folder_->setObjectName(QStringLiteral("folder"));
  auto* browse = new QPushButton(QStringLiteral("参照(&B)..."), this);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse);
  words_ = new QLineEdit(this);
  words_->setObjectName(QStringLiteral("words"));
  words_->setPlaceholderText(QStringLiteral("空白で区切った語をすべて含むファイルを探します"));
  passphrase_ = NewPassphraseEdit("passphrase", kPassphraseFieldLimit, this);
  passphrase_->setPlaceholderText(
      QStringLiteral("パスフレーズで暗号化したファイルも探すときに入力します"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("フォルダ(&F):"), folderRow);
  form->addRow(QStringLiteral("検索する語(&W):"), words_);
  form->addRow(QStringLiteral("パスフレーズ(&P):"), passphrase_);

  hits_ = MakeList({QStringLiteral("ファイル"), QStringLiteral("署名者"),
                    QStringLiteral("更新日時"), QStringLiteral("抜粋")},
                   this);
  hits_->setObjectName(QStringLiteral("hits"));
  skipped_ = MakeList({QStringLiteral("検索できなかったファイル"), QStringLiteral("理由")}, this);
  skipped_->setObjectName(QStringLiteral("skipped"));
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));

  search_ = new QPushButton(QStringLiteral("検索(&S)"), this);
  search_->setDefault(true);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(search_, QDialogButtonBox::ActionRole);
  buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(hits_, 3);
  layout->addWidget(summary_);
  layout->addWidget(skipped_, 1);
  layout->addWidget(buttons);

  connect(browse, &QPushButton::clicked, this, &SearchDialog::Browse);
  connect(search_, &QPushButton::clicked, this, &SearchDialog::RequestSearch);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(hits_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { ChooseItem(item); });
}

SearchDialog::~SearchDialog() { WipePassphraseField(passphrase_); }

QString SearchDialog::folder() const { return folder_->text().trimmed(); }

QStringList SearchDialog::words() const {
  static const QRegularExpression kSpaces(QStringLiteral("[\\s\\x{3000}]+"));
  return words_->text().split(kSpaces, Qt::SkipEmptyParts);
}

bool SearchDialog::TakePassphrase(std::string& passphrase) {
  if (passphrase_->text().isEmpty()) return false;
  passphrase = PassphraseText(passphrase_);
  WipePassphraseField(passphrase_);
  return true;
}

QString SearchDialog::SkipReason(LeafReading reason) {
  switch (reason) {
    case LeafReading::Read: break;
    case LeafReading::NotEncrypted: return QStringLiteral("暗号化されたファイルではありません");
    case LeafReading::Unreadable: return QStringLiteral("読み取れません");
    case LeafReading::NotDecryptable: return QStringLiteral("あなたの鍵では復号できません");
    case LeafReading::NeedsPassphrase:
      return QStringLiteral("パスフレーズで暗号化されています (パスフレーズを入力すると検索します)");
    case LeafReading::WrongPassphrase: return QStringLiteral("パスフレーズに誤りがあります");
    case LeafReading::KeyNeedsPassphrase:
      return QStringLiteral("秘密鍵のパスフレーズが必要です");
    case LeafReading::Broken: return QStringLiteral("ファイルが壊れています");
  }
  return QStringLiteral("検索できません");
}

void SearchDialog::ShowOutcome(const SearchOutcome& outcome) {
  hits_->clear();
  skipped_->clear();
  for (const SearchHit& hit : outcome.hits) {
    const QString path = QString::fromStdString(hit.path);
    QString signer = QStringLiteral("(署名なし)");
    if (!hit.signerUserId.empty() || !hit.signerFingerprint.empty()) {
      signer = QString::fromStdString(hit.signerUserId);
      if (!hit.signerFingerprint.empty()) {
        signer += QStringLiteral(" (%1)").arg(
            QString::fromStdString(FormatFingerprint(hit.signerFingerprint)));
      }
    }
    const QString when = QDateTime::fromMSecsSinceEpoch(hit.mtimeNs / 1'000'000)
                             .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    auto* item = new QTreeWidgetItem(
        hits_, {QDir::toNativeSeparators(path), signer, when, QString::fromStdString(hit.snippet)});
    item->setData(0, Qt::UserRole, path);
    item->setToolTip(3, QString::fromStdString(hit.snippet));
  }
  for (const SkippedFile& skipped : outcome.skipped) {
    new QTreeWidgetItem(skipped_, {QString::fromStdString(skipped.path), SkipReason(skipped.reason)});
  }
  hits_->resizeColumnToContents(0);
  skipped_->resizeColumnToContents(0);
  skipped_->setVisible(!outcome.skipped.empty());
  QString summary = outcome.hits.empty()
                        ? QStringLiteral("見つかりませんでした。")
                        : QStringLiteral("%1 件見つかりました。ダブルクリックで開きます。")
                              .arg(outcome.hits.size());
  if (!outcome.skipped.empty()) {
    summary += QStringLiteral(" %1 件のファイルは検索できませんでした。").arg(outcome.skipped.size());
  }
  summary_->setText(summary);
}

void SearchDialog::Browse() {
  const QString start = folder().isEmpty() ? FileDialogFolder::Start() : folder();
  const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("検索するフォルダ"), start);
  if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(chosen));
}

void SearchDialog::RequestSearch() {
  if (folder().isEmpty() || !QFileInfo(folder()).isDir()) {
    QMessageBox::warning(this, QStringLiteral("Ambrine"),
                         QStringLiteral("検索するフォルダを指定してください。"));
    return;
  }
  if (words().isEmpty()) {
    QMessageBox::warning(this, QStringLiteral("Ambrine"),
                         QStringLiteral("検索する語を入力してください。"));
    return;
  }
  emit searchRequested();
}

void SearchDialog::ChooseItem(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  emit leafChosen(item->data(0, Qt::UserRole).toString());
}

}  // namespace ambrine
