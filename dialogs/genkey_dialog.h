// Asks for name, e-mail address and comment, the kind of key pair and an
// optional passphrase, checks them, has the core make the user's key pair
// (KeyGeneration, run by the owner's OperationRunner) and shows gpg's
// status lines as they come.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>

#include "gpg/gpg_settings.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ambrine {

class OperationRunner;

// The field rules, on bytes. An empty field is never tested by the dialog.
bool IsValidKeyName(std::string_view utf8);     // >= 5 bytes, no leading digit, no < >
bool IsValidKeyEmail(std::string_view address);  // one @ inside, [A-Za-z0-9+-._], no ..
bool IsValidKeyComment(std::string_view utf8);  // no ( )

enum class KeyFieldError { None, Name, Email, Comment };
// The first rejected non-empty field, in the order name, e-mail, comment.
KeyFieldError CheckKeyFields(std::string_view name, std::string_view email,
                             std::string_view comment);

class GenkeyDialog : public QDialog {
  Q_OBJECT

 public:
  // `settings` names gpg and the user's rings, `runner` runs the key
  // generation; neither is owned and both must outlive the dialog.
  GenkeyDialog(GpgSettings* settings, OperationRunner& runner, QWidget* owner = nullptr);
  ~GenkeyDialog() override;

  // 1 when OK is pressed after gpg has made the key and it is in the
  // secret key ring, 2 on cancel.
  int DoModal();

  void accept() override;
  void reject() override;

  QLineEdit* nameEdit() const { return name_; }
  QLineEdit* emailEdit() const { return email_; }
  QLineEdit* commentEdit() const { return comment_; }
  // "DSA 1024 / ElGamal 2048" (first, the default) or "RSA 3072".
  QComboBox* typeBox() const { return type_; }
  // The passphrase and its repetition; both empty: a key without one.
  QLineEdit* passphraseEdit() const { return passphrase_; }
  QLineEdit* confirmEdit() const { return confirm_; }
  QPlainTextEdit* messageBox() const { return messages_; }
  QPushButton* okButton() const { return ok_; }
  // A key was made: the next OK closes the dialog.
  bool generationDone() const { return done_; }

 signals:
  // gpg's status output has ended, the key is made and OK now closes the
  // dialog.
  void generationFinished();
  // gpg's status output has ended without a key; the fields can be
  // corrected and OK generates again.
  void generationFailed();

 private:
  // Checks the fields and, when they pass, has the key made; returns once
  // gpg has ended.
  void Generate();
  void SetEntering(bool entering);
  void ShowText(const std::string& text);
  void ShowMade();
  void ShowFailure();
  // Overwrites and empties the two passphrase fields.
  void WipePassphraseFields();

  GpgSettings* settings_;
  OperationRunner& runner_;
  QLineEdit* name_;
  QLineEdit* email_;
  QLineEdit* comment_;
  QComboBox* type_;
  QLineEdit* passphrase_;
  QLineEdit* confirm_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPlainTextEdit* messages_;

  bool done_ = false;
  bool generating_ = false;
};

}  // namespace ambrine
