#include "dialogs/genkey_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/secure_wipe.h"
#include "dialogs/message_box_error_report.h"
#include "dialogs/operation_runner.h"
#include "dialogs/passphrase_field.h"
#include "gpg/key_generation.h"

namespace ambrine {

namespace {

constexpr int kFieldLimit = 260;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The field's text as UTF-8, as a 260-character buffer would hold it.
std::string FieldText(const QLineEdit* edit) {
  return edit->text().left(kFieldLimit - 1).toStdString();
}

}  // namespace

bool IsValidKeyName(std::string_view utf8) {
  if (utf8.size() < 5) return false;
  if (IsDigit(utf8.front())) return false;
  return utf8.find_first_of("<>") == std::string_view::npos;
}

bool IsValidKeyEmail(std::string_view address) {
  if (address.empty()) return false;
  if (address.front() == '@') return false;
  if (address.back() == '@' || address.back() == '.') return false;
  if (address.find("..") != std::string_view::npos) return false;
  int ats = 0;
  for (char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return false;
    if (c == '@') {
      ++ats;
      continue;
    }
    if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.' && c != '_')
      return false;
  }
  return ats == 1;
}

bool IsValidKeyComment(std::string_view utf8) {
  return utf8.find_first_of("()") == std::string_view::npos;
}

KeyFieldError CheckKeyFields(std::string_view name, std::string_view email,
                             std::string_view comment) {
  if (!name.empty() && !IsValidKeyName(name)) return KeyFieldError::Name;
  if (!email.empty() && !IsValidKeyEmail(email)) return KeyFieldError::Email;
  if (!comment.empty() && !IsValidKeyComment(comment)) return KeyFieldError::Comment;
  return KeyFieldError::None;
}

GenkeyDialog::GenkeyDialog(GpgSettings* settings, OperationRunner& runner, QWidget* owner)
    : QDialog(owner),
      settings_(settings),
      runner_(runner),
      name_(new QLineEdit(this)),
      email_(new QLineEdit(this)),
      comment_(new QLineEdit(this)),
      type_(new QComboBox(this)),
      // No longer than the passphrase questions of a save or an open take,
      // so the key's passphrase can always be typed there.
      passphrase_(NewPassphraseEdit("passphraseEdit", kPassphraseFieldLimit, this)),
      confirm_(NewPassphraseEdit("confirmEdit", kPassphraseFieldLimit, this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this)),
      messages_(new QPlainTextEdit(this)) {
  setWindowTitle(QStringLiteral("Ambrine 鍵の作成"));
  for (QLineEdit* edit : {name_, email_, comment_}) edit->setMaxLength(kFieldLimit);
  // The item data is the KeyGenType; the first item is the default.
  type_->addItem(QStringLiteral("DSA 1024 / ElGamal 2048"),
                 static_cast<int>(KeyGenType::DsaElGamal));
  type_->addItem(QStringLiteral("RSA 3072"), static_cast<int>(KeyGenType::Rsa3072));
  messages_->setReadOnly(true);
  messages_->setMinimumSize(360, 180);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &GenkeyDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &GenkeyDialog::reject);

  auto* fields = new QVBoxLayout;
  fields->addWidget(new QLabel(QStringLiteral("名前(5文字以上):"), this));
  fields->addWidget(name_);
  fields->addWidget(new QLabel(QStringLiteral("メールアドレス:"), this));
  fields->addWidget(email_);
  fields->addWidget(new QLabel(QStringLiteral("コメント(任意):"), this));
  fields->addWidget(comment_);
  fields->addWidget(new QLabel(QStringLiteral("鍵の種類:"), this));
  fields->addWidget(type_);
  fields->addWidget(new QLabel(QStringLiteral("パスフレーズ(任意):"), this));
  fields->addWidget(passphrase_);
  fields->addWidget(new QLabel(QStringLiteral("パスフレーズ(確認):"), this));
  fields->addWidget(confirm_);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch();
  auto* top = new QGridLayout;
  top->addLayout(fields, 0, 0);
  top->addLayout(buttons, 0, 1);
  top->setColumnStretch(0, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(new QLabel(QStringLiteral("メッセージ"), this));
  layout->addWidget(messages_, 1);
  name_->setFocus();
}

GenkeyDialog::~GenkeyDialog() { WipePassphraseFields(); }

int GenkeyDialog::DoModal() {
  // Only a key that was really made counts as OK, however the dialog ended.
  const int result = exec();
  return result == 1 && done_ ? 1 : 2;
}

void GenkeyDialog::accept() {
  if (generating_) return;
  if (done_) {
    done(1);
    return;
  }
  Generate();
}

void GenkeyDialog::reject() {
  // While gpg writes the key rings the dialog cannot be left.
  if (generating_) return;
  done(2);
}

void GenkeyDialog::SetEntering(bool entering) {
  for (QWidget* w : {static_cast<QWidget*>(name_), static_cast<QWidget*>(email_),
                     static_cast<QWidget*>(comment_), static_cast<QWidget*>(type_),
                     static_cast<QWidget*>(passphrase_), static_cast<QWidget*>(confirm_),
                     static_cast<QWidget*>(ok_),
                     static_cast<QWidget*>(cancel_)})
    w->setEnabled(entering);
}

void GenkeyDialog::Generate() {
  messages_->clear();
  const std::string name = FieldText(name_);
  const std::string email = FieldText(email_);
  const std::string comment = FieldText(comment_);
  // gpg makes no key without a name or an e-mail address for its user id.
  if (name.empty() && email.empty()) {
    messages_->setPlainText(QStringLiteral("名前またはメールアドレスを入力してください"));
    return;
  }
  switch (CheckKeyFields(name, email, comment)) {
    case KeyFieldError::Name:
      messages_->setPlainText(QStringLiteral("名前の形式にエラーがあります"));
      return;
    case KeyFieldError::Email:
      messages_->setPlainText(QStringLiteral("メールアドレスの形式にエラーがあります"));
      return;
    case KeyFieldError::Comment:
      messages_->setPlainText(QStringLiteral("コメントの形式にエラーがあります"));
      return;
    case KeyFieldError::None:
      break;
  }
  if (passphrase_->text() != confirm_->text()) {
    messages_->setPlainText(QStringLiteral("パスフレーズと確認が一致しません"));
    return;
  }
  NewKeyPair key;
  key.type = static_cast<KeyGenType>(type_->currentData().toInt());
  key.name = name;
  key.email = email;
  key.comment = comment;
  key.passphrase = PassphraseText(passphrase_);
  const WipeOnExit wipePassphrase(key.passphrase);
  if (!IsKeyGenPassphrase(key.passphrase)) {
    messages_->setPlainText(QStringLiteral("パスフレーズの先頭と末尾に空白は使えません"));
    return;
  }

  // The controls stay disabled while gpg works; its lines show as they come.
  SetEntering(false);
  generating_ = true;
  KeyGeneration generation(*settings_);
  KeyGenerationOutcome outcome;
  runner_.Run([&](OperationProgress& progress) {
    const auto show = [&](const std::string& text) {
      runner_.CallOnGuiThread([&] { ShowText(text); });
    };
    outcome = generation.Run(key, show, &progress);
  });
  generating_ = false;

  if (outcome.reportAt) WindowErrorReport().Report(outcome.status, *outcome.reportAt);
  switch (outcome.result) {
    case KeyGenerationResult::Made:
      ShowMade();
      return;
    case KeyGenerationResult::PipeFailed:
      SetEntering(true);
      return;
    case KeyGenerationResult::StartFailed:
      QMessageBox::critical(this, QStringLiteral("エラー"),
                            QStringLiteral("鍵の生成に失敗しました。"));
      SetEntering(true);
      return;
    case KeyGenerationResult::NotMade:
    case KeyGenerationResult::Cancelled:
      ShowFailure();
      return;
  }
}

void GenkeyDialog::ShowText(const std::string& text) {
  if (text.empty()) return;
  messages_->moveCursor(QTextCursor::End);
  messages_->insertPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  messages_->ensureCursorVisible();
}

void GenkeyDialog::ShowMade() {
  ok_->setEnabled(true);
  ok_->setFocus();
  done_ = true;
  // The key holds the passphrase now; the fields need not.
  WipePassphraseFields();
  emit generationFinished();
}

void GenkeyDialog::ShowFailure() {
  // gpg's lines stay above the message, so the user sees why; a run of
  // progress characters is ended first.
  const QString shown = messages_->toPlainText();
  std::string text = shown.isEmpty() || shown.endsWith(QLatin1Char('\n')) ? "" : "\n";
  text += QStringLiteral("鍵を作成できませんでした。入力内容を確認して、もう一度 OK を押してください")
              .toStdString();
  ShowText(text);
  SetEntering(true);
  name_->setFocus();
  emit generationFailed();
}

void GenkeyDialog::WipePassphraseFields() {
  for (QLineEdit* edit : {passphrase_, confirm_}) WipePassphraseField(edit);
}

}  // namespace ambrine
