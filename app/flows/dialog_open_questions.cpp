#include "app/flows/dialog_open_questions.h"

#include <QMessageBox>

#include "dialogs/arrow_cursor.h"
#include "dialogs/input_box_dialog.h"

namespace ambrine {

bool DialogOpenQuestions::AskPassphrase(bool symmetric, std::string& answer) {
  const QString prompt = symmetric
                             ? QStringLiteral("対称暗号を解くパスフレーズを入力してください。")
                             : QStringLiteral("秘密鍵のロックを解除するパスフレーズを入力してください。");
  InputBoxDialog box(QStringLiteral("パスフレーズの入力"), prompt, true, 260, owner_);
  const ArrowCursor arrow;
  if (box.DoModal() != 1) return false;
  answer = box.TakeText();
  return true;
}

void DialogOpenQuestions::ShowBadPassphrase() {
  const ArrowCursor arrow;
  QMessageBox::critical(owner_, QStringLiteral("Error"),
                        QStringLiteral("パスフレーズに誤りがあります"));
}

void DialogOpenQuestions::ShowNotDecryptable() {
  const ArrowCursor arrow;
  // gpg's line (no secret key for the leaf, not a gpg file, ...) goes under.
  QString text = QStringLiteral("復号できません");
  if (!gpgError().empty()) text += QLatin1Char('\n') + QString::fromStdString(gpgError());
  QMessageBox::critical(owner_, QStringLiteral("Error"), text);
}

bool DialogOpenQuestions::ConfirmSignatures(const OpenCheckResult& checked) {
  const ArrowCursor arrow;
  const QString title = checked.signatureSeen ? QStringLiteral("Confirm") : QStringLiteral("Question");
  const QString text =
      checked.signatureSeen
          ? QString::fromStdString(ConfirmationText(checked.goodSignatures))
          : QString::fromStdString(NoSignatureText(checked.missingKeyIds));
  return QMessageBox::question(owner_, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace ambrine
