// The save options dialog against real gpg1 key rings.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "dialogs/key_list_view.h"
#include "dialogs/manage_key_dialog.h"
#include "dialogs/select_key_dialog.h"
#include "support/qt_modal.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

using test::TempDir;
using test::TestKey;
using test::WhenModal;

struct Reported {
  Status code;
  std::string source;
  int line;
};

class RecordingReport : public ErrorReport {
 public:
  void Report(Status code, const char* source, int line) override {
    reports.push_back({code, source, line});
  }
  std::vector<Reported> reports;
};

// Two key pairs made once, each in a home of its own (gpg's batch key
// generation replaces the named key rings); `home` holds both public keys,
// Zoe's first, so gpg's order is not the sorted one.
struct Keys {
  TempDir zoeHome, bobHome, home;
  TestKey zoe = test::MakeKey(zoeHome.path(), "Zoe Test");
  TestKey bob = test::MakeKey(bobHome.path(), "Bob Test");
  Keys() {
    test::CopyPublicKey(zoeHome.path(), home.path(), zoe.fingerprint);
    test::CopyPublicKey(bobHome.path(), home.path(), bob.fingerprint);
  }
};

const Keys& SharedKeys() {
  static Keys keys;
  return keys;
}

GpgSettings OpeningSettings(const std::string& home) {
  GpgSettings settings = test::SettingsFor(home);
  settings.recipients = {"LEFT FROM LAST TIME"};
  settings.passphrase = "old secret";
  settings.publicKeyMode = 0;
  settings.outputPath = "/records/current leaf.gpg";
  return settings;
}

void SelectRow(KeyListView* list, int row) { list->topLevelItem(row)->setSelected(true); }

// Answers the next message box with OK and keeps its title and text.
void AnswerMessage(QString* title, QString* text) {
  WhenModal([=](QWidget* modal) {
    *title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      *text = box->text();
      box->button(QMessageBox::Ok)->click();
    } else {
      modal->close();
    }
  });
}

TEST(SelectKeyDialog, OpensInPublicKeyModeWithEmptiedFields) {
  const Keys& keys = SharedKeys();
  GpgSettings settings = OpeningSettings(keys.home.path());
  RecordingReport report;
  SelectKeyDialog dialog(&settings, nullptr, report);

  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファイルの保存"));
  EXPECT_TRUE(settings.recipients.empty());
  EXPECT_TRUE(settings.passphrase.empty());
  EXPECT_TRUE(dialog.publicKeyRadio()->isChecked());
  EXPECT_TRUE(dialog.keyList()->isEnabled());
  EXPECT_TRUE(dialog.manageKeysButton()->isEnabled());
  EXPECT_FALSE(dialog.passphraseEdit()->isEnabled());
  EXPECT_FALSE(dialog.confirmEdit()->isEnabled());
  EXPECT_EQ(dialog.passphraseEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.passphraseEdit()->maxLength(), 260);
  EXPECT_EQ(dialog.fileNameEdit()->text(), QStringLiteral("/records/current leaf.gpg"));

  KeyListView* list = dialog.keyList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Bob Test"));
  EXPECT_EQ(list->topLevelItem(1)->text(1).size(), 49);  // ten groups of four
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::MultiSelection);
  EXPECT_TRUE(report.reports.empty());
}

TEST(SelectKeyDialog, RecipientsFollowTheListOrder) {
  const Keys& keys = SharedKeys();
  GpgSettings settings = OpeningSettings(keys.home.path());
  SelectKeyDialog dialog(&settings);
  SelectRow(dialog.keyList(), 1);
  SelectRow(dialog.keyList(), 0);
  dialog.okButton()->click();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.publicKeyMode, 1);
  EXPECT_EQ(settings.recipients, (std::vector<std::string>{keys.bob.fingerprint, keys.zoe.fingerprint}));
  EXPECT_EQ(settings.outputPath, "/records/current leaf.gpg");
}

TEST(SelectKeyDialog, NoSelectionGivesNoRecipients) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  SelectKeyDialog dialog(&settings);
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.publicKeyMode, 1);
  EXPECT_TRUE(settings.recipients.empty());
}

TEST(SelectKeyDialog, PassphrasesMustMatchExactly) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  SelectKeyDialog dialog(&settings);
  dialog.symmetricRadio()->click();
  dialog.passphraseEdit()->setText(QStringLiteral("Secret パス"));
  dialog.confirmEdit()->setText(QStringLiteral("secret パス"));

  QString title, text;
  AnswerMessage(&title, &text);
  dialog.okButton()->click();
  EXPECT_EQ(title, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("Passphrase Miss Match!"));
  EXPECT_EQ(dialog.result(), 0);  // still open
  EXPECT_EQ(dialog.passphraseEdit()->text(), QStringLiteral("Secret パス"));

  dialog.confirmEdit()->setText(QStringLiteral("Secret パス"));
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.publicKeyMode, 0);
  EXPECT_EQ(settings.passphrase, "Secret パス");
  EXPECT_TRUE(settings.recipients.empty());
  // The typed texts do not stay in the closed dialog.
  EXPECT_TRUE(dialog.passphraseEdit()->text().isEmpty());
  EXPECT_TRUE(dialog.confirmEdit()->text().isEmpty());
}

TEST(SelectKeyDialog, TwoEmptyPassphrasesMatch) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  SelectKeyDialog dialog(&settings);
  dialog.symmetricRadio()->click();
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.publicKeyMode, 0);
  EXPECT_EQ(settings.passphrase, "");
}

TEST(SelectKeyDialog, EmptyFileNameIsRefusedAndASecondOkDoesNotRepeatRecipients) {
  const Keys& keys = SharedKeys();
  GpgSettings settings = OpeningSettings(keys.home.path());
  SelectKeyDialog dialog(&settings);
  SelectRow(dialog.keyList(), 1);
  dialog.fileNameEdit()->clear();

  QString title, text;
  AnswerMessage(&title, &text);
  dialog.okButton()->click();
  EXPECT_EQ(title, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("Not Specified Output Filename!"));
  EXPECT_EQ(dialog.result(), 0);

  dialog.fileNameEdit()->setText(QStringLiteral("/records/new.gpg"));
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(settings.recipients, std::vector<std::string>{keys.zoe.fingerprint});
  EXPECT_EQ(settings.outputPath, "/records/new.gpg");
}

TEST(SelectKeyDialog, ModeButtonsSwitchListAndPassphraseBoxes) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  SelectKeyDialog dialog(&settings);
  dialog.symmetricRadio()->click();
  EXPECT_FALSE(dialog.keyList()->isEnabled());
  EXPECT_FALSE(dialog.manageKeysButton()->isEnabled());
  EXPECT_TRUE(dialog.passphraseEdit()->isEnabled());
  EXPECT_TRUE(dialog.confirmEdit()->isEnabled());
  dialog.publicKeyRadio()->click();
  EXPECT_TRUE(dialog.keyList()->isEnabled());
  EXPECT_TRUE(dialog.manageKeysButton()->isEnabled());
  EXPECT_FALSE(dialog.passphraseEdit()->isEnabled());
}

TEST(SelectKeyDialog, CancelWritesNothing) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  SelectKeyDialog dialog(&settings);
  dialog.symmetricRadio()->click();
  dialog.passphraseEdit()->setText("typed");
  dialog.confirmEdit()->setText("typed");
  dialog.cancelButton()->click();
  EXPECT_EQ(dialog.result(), 2);
  EXPECT_EQ(settings.publicKeyMode, 0);  // as it was before
  EXPECT_TRUE(settings.passphrase.empty());
  EXPECT_TRUE(dialog.passphraseEdit()->text().isEmpty());
}

TEST(SelectKeyDialog, BrowseStartsAtTheOpeningPathAndFillsTheBox) {
  TempDir folder;
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  settings.outputPath = folder.File("current.gpg");
  SelectKeyDialog dialog(&settings);
  dialog.fileNameEdit()->setText(QStringLiteral("/elsewhere/typed.gpg"));

  QString offered;
  WhenModal([&](QWidget* modal) {
    auto* fileDialog = qobject_cast<QFileDialog*>(modal);
    offered = fileDialog->selectedFiles().value(0);
    fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(QString::fromStdString(folder.File("chosen")));
    static_cast<QDialog*>(fileDialog)->accept();
  });
  dialog.browseButton()->click();
  EXPECT_EQ(offered, QString::fromStdString(folder.File("current.gpg")));
  EXPECT_EQ(dialog.fileNameEdit()->text(), QString::fromStdString(folder.File("chosen.gpg")));
}

TEST(SelectKeyDialog, KeyManagementRefreshesTheList) {
  const Keys& keys = SharedKeys();
  TempDir home;
  test::CopyPublicKey(keys.zoeHome.path(), home.path(), keys.zoe.fingerprint);
  test::CopyPublicKey(keys.bobHome.path(), home.path(), keys.bob.fingerprint);
  GpgSettings settings = OpeningSettings(home.path());
  RecordingReport report;
  SelectKeyDialog dialog(&settings, nullptr, report);
  SelectRow(dialog.keyList(), 1);

  WhenModal([](QWidget* modal) {
    auto* manage = qobject_cast<ManageKeyDialog*>(modal);
    if (!manage) {
      ADD_FAILURE() << "expected the key management dialog";
      modal->close();
      return;
    }
    manage->keyList()->topLevelItem(0)->setSelected(true);  // Bob
    manage->deleteButton()->click();
    manage->okButton()->click();
  });
  dialog.manageKeysButton()->click();

  ASSERT_EQ(dialog.keyList()->topLevelItemCount(), 1);
  EXPECT_EQ(dialog.keyList()->topLevelItem(0)->text(0), QStringLiteral("Zoe Test"));
  EXPECT_TRUE(dialog.keyList()->selectedItems().isEmpty());
  EXPECT_TRUE(report.reports.empty());
}

TEST(SelectKeyDialog, FailedListingIsReported) {
  GpgSettings settings = OpeningSettings(SharedKeys().home.path());
  settings.gpgPath = "/nonexistent/gpg";
  RecordingReport report;
  SelectKeyDialog dialog(&settings, nullptr, report);
  ASSERT_EQ(report.reports.size(), 1u);
  EXPECT_EQ(report.reports[0].source, "SelectKey");
  EXPECT_EQ(report.reports[0].line, 52);
  EXPECT_EQ(dialog.keyList()->topLevelItemCount(), 0);
  dialog.symmetricRadio()->click();  // still usable without keys
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace ambrine
