// "ファイルの保存": before a save, picks public keys or a passphrase and
// names the output file. The choices go into the save request the caller
// hands in; the key rings come from the gpg settings. The keys are listed
// by the core (PublicKeyRing), run by the owner's OperationRunner.
#pragma once

#include <QDialog>
#include <QString>

#include "dialogs/message_box_error_report.h"
#include "gpg/gpg_settings.h"
#include "gpg/save_request.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ambrine {

class KeyListView;
class OperationRunner;

class SelectKeyDialog : public QDialog {
  Q_OBJECT

 public:
  // `settings` (the key rings listed and managed), `request` and `runner`
  // (which runs the key listing and the key management) are not owned and
  // must outlive the dialog. Opening empties the request's recipients and
  // passphrase and shows its outputPath as the file name; OK writes
  // publicKeyMode, recipients (the chosen keys), passphrase and outputPath.
  // OK is refused for an empty passphrase, and asks before an existing file
  // other than the opening outputPath is replaced.
  SelectKeyDialog(GpgSettings* settings, SaveRequest* request, OperationRunner& runner,
                  QWidget* parent = nullptr,
                  ErrorReport& report = WindowErrorReport());

  // exec() gives 1 for OK and 2 when cancelled (Escape, the close box or a
  // cancel button), the results the callers test for.
  static constexpr int kCancelled = 2;
  void reject() override;

  void done(int result) override;

  QRadioButton* publicKeyRadio() const { return publicKeyRadio_; }
  QRadioButton* symmetricRadio() const { return symmetricRadio_; }
  KeyListView* keyList() const { return list_; }
  QPushButton* manageKeysButton() const { return manageKeysButton_; }
  QLineEdit* passphraseEdit() const { return passphraseEdit_; }
  QLineEdit* confirmEdit() const { return confirmEdit_; }
  QLineEdit* fileNameEdit() const { return fileNameEdit_; }
  QPushButton* browseButton() const { return browseButton_; }
  QPushButton* okButton() const { return okButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 private:
  void BuildControls();
  void FillList();
  void ShowPublicKeyMode(bool publicKeys);
  void ManageKeys();
  void Browse();
  void Accept();
  bool ConfirmReplacing(const QString& path);
  void ShowError(const QString& text);

  GpgSettings* settings_;
  SaveRequest* request_;
  OperationRunner& runner_;
  ErrorReport& report_;
  QString initialOutputPath_;  // the browse dialog starts here, not at the box's text
  QString browsedExistingPath_;  // an existing file the browse dialog already asked about
  QRadioButton* publicKeyRadio_ = nullptr;
  QRadioButton* symmetricRadio_ = nullptr;
  KeyListView* list_ = nullptr;
  QPushButton* manageKeysButton_ = nullptr;
  QLineEdit* passphraseEdit_ = nullptr;
  QLineEdit* confirmEdit_ = nullptr;
  QLineEdit* fileNameEdit_ = nullptr;
  QPushButton* browseButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

}  // namespace ambrine
