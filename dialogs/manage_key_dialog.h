// "鍵の管理": lists the public keys (with each key's type, size and
// creation date) and imports, exports and deletes them. The dialog asks
// and shows; each operation is the core's (PublicKeyRing), run by the
// owner's OperationRunner.
#pragma once

#include <QDialog>
#include <functional>

#include "dialogs/message_box_error_report.h"
#include "gpg/gpg_settings.h"

class QPushButton;

namespace ambrine {

class KeyListView;
class OperationRunner;
class PublicKeyRing;

class ManageKeyDialog : public QDialog {
  Q_OBJECT

 public:
  // `settings` names gpg and the user's rings, `runner` runs the key
  // operations; neither is owned and both must outlive the dialog.
  ManageKeyDialog(GpgSettings* settings, OperationRunner& runner, QWidget* parent = nullptr,
                  ErrorReport& report = WindowErrorReport());

  // exec() gives 1 for OK and 2 when cancelled (Escape, the close box or a
  // cancel button), the results the callers test for.
  static constexpr int kCancelled = 2;
  void reject() override;

  KeyListView* keyList() const { return list_; }
  QPushButton* importButton() const { return importButton_; }
  QPushButton* exportButton() const { return exportButton_; }
  QPushButton* exportArmoredButton() const { return exportArmoredButton_; }
  QPushButton* deleteButton() const { return deleteButton_; }
  QPushButton* okButton() const { return okButton_; }

 private:
  // Runs `operation` on the user's rings through the runner; its status.
  Result OnRing(const std::function<Result(const PublicKeyRing&)>& operation);
  void FillList();
  void Import();
  // Writes the selected key to a file the user names: binary (`armor`
  // false, "*.gpg") or ASCII armour to paste into an e-mail ("*.asc").
  void Export(bool armor);
  void Delete();
  // The selected key's fingerprint without spaces; empty with no selection.
  std::string SelectedFingerprint() const;

  GpgSettings* settings_;
  OperationRunner& runner_;
  ErrorReport& report_;
  KeyListView* list_;
  QPushButton* importButton_;
  QPushButton* exportButton_;
  QPushButton* exportArmoredButton_;
  QPushButton* deleteButton_;
  QPushButton* okButton_;
};

}  // namespace ambrine
