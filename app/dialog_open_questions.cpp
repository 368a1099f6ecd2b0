#include "app/dialog_open_questions.h"

#include <QMessageBox>

#include "app/arrow_cursor.h"
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

}  // namespace ambrine
