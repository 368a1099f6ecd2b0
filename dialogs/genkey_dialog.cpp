#include "dialogs/genkey_dialog.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QVBoxLayout>
#include <cerrno>

#include "base/secure_wipe.h"
#include "dialogs/message_box_error_report.h"
#include "dialogs/passphrase_field.h"
#include "gpg/gpg_engine.h"
#include "gpg/keyring_file.h"
#include "gpg/pipe_io.h"

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

GenkeyDialog::GenkeyDialog(GpgSettings* settings, QWidget* owner)
    : QDialog(owner),
      settings_(settings),
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

GenkeyDialog::~GenkeyDialog() {
  WipePassphraseFields();
  delete notifier_;
  statusRead_.reset();
  if (generating_) QApplication::restoreOverrideCursor();
  engine_.reset();  // stops and reaps a gpg that is still running
  DropNewRings();
}

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
  std::string passphrase = PassphraseText(passphrase_);
  WipeOnExit wipePassphrase(passphrase);
  if (!IsKeyGenPassphrase(passphrase)) {
    messages_->setPlainText(QStringLiteral("パスフレーズの先頭と末尾に空白は使えません"));
    return;
  }

  Fd statusWrite;
  Status status = CreateInboundPipe(statusRead_, statusWrite);
  if (Failed(status)) {
    WindowErrorReport().Report(status, report::kGenkeyPipeFailed);
    return;
  }

  SetEntering(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  generating_ = true;

  // No key-ring options: the parameters name the two rings gpg writes.
  engine_ = std::make_unique<GpgEngine>(settings_->gpgPath, settings_->homeFolder,
                                        std::vector<std::string>{}, std::vector<std::string>{});
  KeyGenRequest request;
  request.secretKeyring = WritableRing(settings_->secretKeyrings, secretRing_);
  request.publicKeyring = WritableRing(settings_->publicKeyrings, publicRing_);
  request.name = name.empty() ? nullptr : name.c_str();
  request.email = email.empty() ? nullptr : email.c_str();
  request.comment = comment.empty() ? nullptr : comment.c_str();
  request.type = static_cast<KeyGenType>(type_->currentData().toInt());
  request.passphrase = passphrase.empty() ? nullptr : passphrase.c_str();
  request.statusFd = std::move(statusWrite);
  status = engine_->GenerateKey(std::move(request));
  if (Failed(status)) {
    engine_.reset();
    DropNewRings();
    statusRead_.reset();
    generating_ = false;
    QApplication::restoreOverrideCursor();
    WindowErrorReport().Report(status, report::kGenkeyGpgStartFailed);
    QMessageBox::critical(this, QStringLiteral("エラー"),
                          QStringLiteral("鍵の生成に失敗しました。"));
    SetEntering(true);
    return;
  }

  // Read the status lines as they come, so the box shows gpg's progress;
  // the controls stay disabled until the pipe ends.
  status_.emplace(statusRead_, noCommand_);
  display_ = KeyGenerationDisplay();
  outcome_.Reset();
  ::fcntl(statusRead_.get(), F_SETFL, ::fcntl(statusRead_.get(), F_GETFL) | O_NONBLOCK);
  notifier_ = new QSocketNotifier(statusRead_.get(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &GenkeyDialog::ReadStatus);
}

std::string GenkeyDialog::WritableRing(const std::vector<std::string>& rings,
                                       NewRing& ring) {
  ring = {};
  ring.target = rings.empty() ? "" : rings.front();
  if (!KeyringHasKeys(ring.target)) return ring.target;
  // gpg replaces the ring it is told to write the new key to: write it to a
  // ring of its own beside the user's and add it once gpg has succeeded, so
  // the keys already there are kept.
  ring.pending = ring.target + ".new";
  ::unlink(ring.pending.c_str());
  return ring.pending;
}

void GenkeyDialog::AddNewRings() {
  for (const NewRing* ring : {&secretRing_, &publicRing_}) {
    if (ring->pending.empty() || !KeyringHasKeys(ring->pending)) continue;
    if (Status s = AppendKeyringFile(ring->pending, ring->target); Failed(s)) {
      WindowErrorReport().Report(s, report::kGenkeyRingAppendFailed);
    }
  }
}

void GenkeyDialog::DropNewRings() {
  for (NewRing* ring : {&secretRing_, &publicRing_}) {
    if (!ring->pending.empty()) ::unlink(ring->pending.c_str());
    *ring = {};
  }
}

void GenkeyDialog::ReadStatus() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(statusRead_.get(), buffer, sizeof buffer);
    if (n > 0) {
      status_->Feed(std::string_view(buffer, static_cast<std::size_t>(n)), outcome_);
      ShowText(display_.TakeText());
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // more later
    break;  // end of data, broken pipe or a failed read
  }
  status_->Finish(outcome_);
  ShowText(display_.TakeText());
  FinishGeneration();
}

void GenkeyDialog::ShowText(const std::string& text) {
  if (text.empty()) return;
  messages_->moveCursor(QTextCursor::End);
  messages_->insertPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  messages_->ensureCursorVisible();
}

void GenkeyDialog::FinishGeneration() {
  notifier_->setEnabled(false);
  notifier_->deleteLater();
  notifier_ = nullptr;
  statusRead_.reset();
  int exitCode = -1;
  // The key is made when gpg says so and ends well; only then does it join
  // the user's rings.
  bool made = Succeeded(engine_->WaitForExit(&exitCode)) && exitCode == 0 && outcome_.created();
  if (made) AddNewRings();
  DropNewRings();
  engine_.reset();
  // The rings gpg wrote are checked too: a key that did not land in the
  // secret ring cannot sign, and the program does not go on without one.
  if (made) made = NewKeyIsListed();
  generating_ = false;
  QApplication::restoreOverrideCursor();
  if (!made) {
    ShowFailure();
    return;
  }
  ok_->setEnabled(true);
  ok_->setFocus();
  done_ = true;
  // The key holds the passphrase now; the fields need not.
  WipePassphraseFields();
  emit generationFinished();
}

bool GenkeyDialog::NewKeyIsListed() const {
  GpgEngine engine(*settings_);
  KeyList keys;
  if (Failed(engine.ListKeys(true, keys, nullptr, nullptr))) return false;
  const std::string& wanted = outcome_.fingerprint();
  for (const std::string& entry : keys) {
    if (wanted.empty()) return true;  // gpg named no fingerprint: any secret key
    if (QString::fromStdString(SplitKeyEntry(entry).fingerprint)
            .compare(QString::fromStdString(wanted), Qt::CaseInsensitive) == 0)
      return true;
  }
  return false;
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

StatusAction GenkeyDialog::StatusOutcome::OnStatus(const StatusLine& line,
                                                   CommandWriter& command) {
  // The keyword is empty on a line without the status prefix.
  if (line.keyword == "KEY_NOT_CREATED") {
    notCreated_ = true;
  } else if (line.keyword == "KEY_CREATED") {
    created_ = true;
    // "<type> <fingerprint> [<handle>]"
    std::string_view rest = line.arguments;
    const std::size_t space = rest.find(' ');
    rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    fingerprint_.assign(rest.substr(0, rest.find(' ')));
  }
  return display_.OnStatus(line, command);
}

}  // namespace ambrine
