// A modal one-line prompt; with the password flag the typed text shows as
// asterisks. Used for passphrases and for gpg's line questions.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QLabel;
class QLineEdit;

namespace ambrine {

class InputBoxDialog : public QDialog {
  Q_OBJECT

 public:
  // `capacity` counts characters including a terminator, as the callers'
  // 260-character buffers do: the field takes `capacity` characters and the
  // answer keeps the first `capacity` - 1 of them.
  InputBoxDialog(const QString& title, const QString& prompt, bool password,
                 int capacity = 260, QWidget* owner = nullptr);
  ~InputBoxDialog() override;

  // 1 when OK was pressed, 2 on cancel (Cancel, Escape, close box).
  int DoModal();

  // The answer as UTF-8; empty after cancel.
  const std::string& text() const { return buffer_; }
  // Hands the answer over and wipes the dialog's copies.
  std::string TakeText();

  void accept() override;
  void reject() override;

 private:
  QLabel* prompt_;
  QLineEdit* edit_;
  int capacity_;
  std::string buffer_;
};

}  // namespace ambrine
