#include "app/flows/dialog_save_questions.h"

#include <QMessageBox>

#include "dialogs/arrow_cursor.h"
#include "dialogs/input_box_dialog.h"

namespace ambrine {

std::string DialogSaveQuestions::AskLine(const std::string& prompt, bool hidden) {
  InputBoxDialog box(QStringLiteral("Input Box"), QString::fromStdString(prompt), hidden, 260,
                     owner_);
  const ArrowCursor arrow;
  // After Cancel the text is empty and the empty line is gpg's answer.
  box.DoModal();
  return box.TakeText();
}

bool DialogSaveQuestions::AskYesNo(const std::string& prompt) {
  const ArrowCursor arrow;
  return QMessageBox::question(owner_, QStringLiteral("Input Box"),
                               QString::fromStdString(prompt),
                               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void DialogSaveQuestions::ShowBadPassphrase() {
  const ArrowCursor arrow;
  QMessageBox::critical(owner_, QStringLiteral("Error"), QStringLiteral("Bad Passphrase"));
}

}  // namespace ambrine
