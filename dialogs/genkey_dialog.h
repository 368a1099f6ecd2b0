// Asks for name, e-mail address and comment, the kind of key pair and an
// optional passphrase, checks them and generates the user's key pair with
// gpg, showing gpg's status lines while it works.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/fd.h"
#include "gpg/gpg_settings.h"
#include "gpg/key_generation_display.h"
#include "gpg/status_driver.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSocketNotifier;

namespace ambrine {

class GpgEngine;

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
  GenkeyDialog(GpgSettings* settings, QWidget* owner = nullptr);
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
  // Hands each status line on to the display and notes whether gpg says it
  // made the key ("KEY_CREATED <type> <fingerprint>") or not.
  class StatusOutcome : public StatusHandler {
   public:
    explicit StatusOutcome(KeyGenerationDisplay& display) : display_(display) {}
    StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override;
    void Reset() {
      created_ = notCreated_ = false;
      fingerprint_.clear();
    }
    // KEY_CREATED came and KEY_NOT_CREATED did not.
    bool created() const { return created_ && !notCreated_; }
    const std::string& fingerprint() const { return fingerprint_; }

   private:
    KeyGenerationDisplay& display_;
    bool created_ = false;
    bool notCreated_ = false;
    std::string fingerprint_;
  };

  void Generate();
  void SetEntering(bool entering);
  void ReadStatus();
  void ShowText(const std::string& text);
  void FinishGeneration();
  bool NewKeyIsListed() const;
  void ShowFailure();
  // Overwrites and empties the two passphrase fields.
  void WipePassphraseFields();

  // A key ring gpg writes the new key to: the user's own, or a new one
  // beside it when the user's already holds keys.
  struct NewRing {
    std::string target;
    std::string pending;
  };
  std::string WritableRing(const std::vector<std::string>& rings, NewRing& ring);
  void AddNewRings();
  void DropNewRings();

  GpgSettings* settings_;
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
  std::unique_ptr<GpgEngine> engine_;
  NewRing secretRing_;
  NewRing publicRing_;
  Fd statusRead_;
  Fd noCommand_;  // key generation asks nothing: its parameters go on standard input
  std::optional<StatusDriver> status_;  // one per generation
  KeyGenerationDisplay display_;
  StatusOutcome outcome_{display_};
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace ambrine
