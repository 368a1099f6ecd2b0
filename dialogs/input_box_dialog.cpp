#include "dialogs/input_box_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/passphrase_field.h"

namespace ambrine {

InputBoxDialog::InputBoxDialog(const QString& title, const QString& prompt,
                               bool password, int capacity, QWidget* owner)
    : QDialog(owner),
      prompt_(new QLabel(prompt, this)),
      edit_(new QLineEdit(this)),
      capacity_(std::max(capacity, 1)) {
  setWindowTitle(title);
  prompt_->setWordWrap(true);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  prompt_->setMinimumSize(240, 80);
  edit_->setMaxLength(capacity_);
  edit_->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
  // The password field must not leak its text through the clipboard either.
  if (password) {
    edit_->setContextMenuPolicy(Qt::NoContextMenu);
    // Hidden characters show as "*" whatever the style's own mask character.
    edit_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &InputBoxDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &InputBoxDialog::reject);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(prompt_, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(edit_);
  edit_->setFocus();
}

InputBoxDialog::~InputBoxDialog() {
  WipePassphraseField(edit_);
  std::fill(buffer_.begin(), buffer_.end(), '\0');
}

int InputBoxDialog::DoModal() {
  std::fill(buffer_.begin(), buffer_.end(), '\0');
  buffer_.clear();
  return exec();
}

std::string InputBoxDialog::TakeText() {
  std::string out = std::move(buffer_);
  buffer_.clear();
  return out;
}

void InputBoxDialog::accept() {
  // The answer keeps at most capacity - 1 characters, like a terminated
  // buffer of `capacity` characters.
  QString typed = edit_->text();
  if (typed.size() > capacity_ - 1) typed.truncate(capacity_ - 1);
  buffer_ = typed.toStdString();
  typed.fill(QChar(0));
  WipePassphraseField(edit_);
  done(1);
}

void InputBoxDialog::reject() {
  buffer_.clear();
  WipePassphraseField(edit_);
  done(2);
}

}  // namespace ambrine
