#include "dialogs/passphrase_field.h"

#include <QLineEdit>

#include "base/secure_wipe.h"

namespace ambrine {

QLineEdit* NewPassphraseEdit(const char* objectName, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(objectName));
  edit->setEchoMode(QLineEdit::Password);
  edit->setMaxLength(maxLength);
  edit->setContextMenuPolicy(Qt::NoContextMenu);
  return edit;
}

std::string PassphraseText(const QLineEdit* edit) {
  QByteArray bytes = edit->text().toUtf8();
  std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  SecureWipe(bytes.data(), static_cast<std::size_t>(bytes.size()));
  return text;
}

void WipePassphraseField(QLineEdit* edit) {
  if (!edit->text().isEmpty()) edit->setText(QString(edit->text().size(), QChar(' ')));
  edit->clear();
}

}  // namespace ambrine
