// The save options dialog against real gpg1 key rings.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>

#include "dialogs/key_list_view.h"
#include "dialogs/manage_key_dialog.h"
#include "dialogs/select_key_dialog.h"
#include "key_dialog_testing.h"

namespace ambrine {
namespace {

using test::Names;
using test::RecordingReport;
using test::Strings;
using test::TempDir;
using test::WhenModal;

const test::DialogTestKeys& SharedKeys() { return test::SharedTestKeys(); }

// The gpg settings of `home`, and a save request that holds choices the
// dialog must not take over.
struct Opening {
  explicit Opening(const std::string& home) : settings(test::SettingsFor(home)) {
    request.recipients = {"LEFT FROM LAST TIME"};
    request.passphrase = "old secret";
    request.publicKeyMode = false;
    request.outputPath = "/records/current leaf.gpg";
  }
  GpgSettings settings;
  SaveRequest request;
};

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

TEST(SelectKeyDialog, OpensInPublicKeyModeWithEmptiedFieldsAndSwitchesModes) {
  const auto& keys = SharedKeys();
  Opening opening(keys.ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  RecordingReport report;
  SelectKeyDialog dialog(&settings, &request, test::Runner(), nullptr, report);

  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファイルの保存"));
  EXPECT_TRUE(request.recipients.empty());
  EXPECT_TRUE(request.passphrase.empty());
  EXPECT_TRUE(dialog.publicKeyRadio()->isChecked());
  EXPECT_TRUE(dialog.keyList()->isEnabled());
  EXPECT_TRUE(dialog.manageKeysButton()->isEnabled());
  EXPECT_FALSE(dialog.passphraseEdit()->isEnabled());
  EXPECT_FALSE(dialog.confirmEdit()->isEnabled());
  EXPECT_EQ(dialog.passphraseEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.passphraseEdit()->maxLength(), 260);
  EXPECT_EQ(dialog.fileNameEdit()->text(), QStringLiteral("/records/current leaf.gpg"));

  KeyListView* list = dialog.keyList();
  ASSERT_EQ(Names(list), (Strings{"Alice Test", "Carol Test", "山田 花子"}));
  EXPECT_EQ(list->topLevelItem(1)->text(1).size(), 49);  // ten groups of four
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::MultiSelection);
  EXPECT_TRUE(report.reports.empty());

  dialog.symmetricRadio()->click();
  EXPECT_FALSE(dialog.keyList()->isEnabled());
  EXPECT_FALSE(dialog.manageKeysButton()->isEnabled());
  EXPECT_TRUE(dialog.passphraseEdit()->isEnabled());
  EXPECT_TRUE(dialog.confirmEdit()->isEnabled());
  dialog.publicKeyRadio()->click();
  EXPECT_TRUE(dialog.keyList()->isEnabled());
  EXPECT_FALSE(dialog.passphraseEdit()->isEnabled());
}

TEST(SelectKeyDialog, RecipientsFollowTheListOrder) {
  const auto& keys = SharedKeys();
  Opening opening(keys.ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  SelectRow(dialog.keyList(), 2);
  SelectRow(dialog.keyList(), 0);
  dialog.okButton()->click();

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(request.publicKeyMode);
  EXPECT_EQ(request.recipients, (Strings{keys.alice.fingerprint, keys.hanako.fingerprint}));
  EXPECT_EQ(request.outputPath, "/records/current leaf.gpg");
}

TEST(SelectKeyDialog, NoSelectionGivesNoRecipients) {
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(request.publicKeyMode);
  EXPECT_TRUE(request.recipients.empty());
}

TEST(SelectKeyDialog, PassphrasesMustMatchExactly) {
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
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
  EXPECT_FALSE(request.publicKeyMode);
  EXPECT_EQ(request.passphrase, "Secret パス");
  EXPECT_TRUE(request.recipients.empty());
  // The typed texts do not stay in the closed dialog.
  EXPECT_TRUE(dialog.passphraseEdit()->text().isEmpty());
  EXPECT_TRUE(dialog.confirmEdit()->text().isEmpty());
}

TEST(SelectKeyDialog, EmptyPassphraseIsRefused) {
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  dialog.symmetricRadio()->click();
  // Both empty, then only the confirmation typed: gpg takes no empty
  // passphrase either way.
  for (const QString& confirm : {QString(), QStringLiteral("typed")}) {
    dialog.confirmEdit()->setText(confirm);
    QString title, text;
    AnswerMessage(&title, &text);
    dialog.okButton()->click();
    EXPECT_EQ(text, QStringLiteral("パスフレーズを入力してください。"));
    EXPECT_EQ(dialog.result(), 0);  // still open
    EXPECT_FALSE(request.publicKeyMode);
    EXPECT_TRUE(request.passphrase.empty());
  }
  dialog.passphraseEdit()->setText(QStringLiteral("typed"));
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(request.passphrase, "typed");
}

// Answers a question shown over `dialog` and counts the questions.
struct QuestionAnswer {
  int asked = 0;
  QString text;
};
void AnswerQuestions(SelectKeyDialog& dialog, QuestionAnswer& answer,
                     QMessageBox::StandardButton button) {
  test::WhenBoxOver(&dialog, [&answer, button](QMessageBox* box) {
    ++answer.asked;
    answer.text = box->text();
    box->button(button)->click();
  });
}

TEST(SelectKeyDialog, ReplacingAnotherExistingFileIsAsked) {
  TempDir folder;
  test::WriteFile(folder.File("current.gpg"), "open leaf");
  test::WriteFile(folder.File("other.gpg"), "another leaf");
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  request.outputPath = folder.File("current.gpg");
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  dialog.fileNameEdit()->setText(QString::fromStdString(folder.File("other.gpg")));

  QuestionAnswer no;
  AnswerQuestions(dialog, no, QMessageBox::No);
  dialog.okButton()->click();
  EXPECT_EQ(no.asked, 1);
  EXPECT_EQ(no.text, QStringLiteral("other.gpg は既に存在します。置き換えますか?"));
  EXPECT_EQ(dialog.result(), 0);  // still open, nothing written
  EXPECT_EQ(request.outputPath, folder.File("current.gpg"));
  EXPECT_EQ(test::ReadFile(folder.File("other.gpg")), "another leaf");

  QuestionAnswer yes;
  AnswerQuestions(dialog, yes, QMessageBox::Yes);
  dialog.okButton()->click();
  EXPECT_EQ(yes.asked, 1);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(request.outputPath, folder.File("other.gpg"));
}

TEST(SelectKeyDialog, TheOpenLeafNewFilesAndBrowsedFilesAreNotAskedAgain) {
  TempDir folder;
  test::WriteFile(folder.File("current.gpg"), "open leaf");
  test::WriteFile(folder.File("chosen.gpg"), "chosen in the file dialog");
  // Typed: the open leaf, the open leaf spelled otherwise, a new file; and
  // an existing file chosen with the file dialog, which asked itself
  // (AnswerFileDialog answers yes). The leaf path of an unsaved form names
  // no file yet.
  struct Case {
    std::string opening, typed;
    bool browse;
  };
  const Case cases[] = {
      {folder.File("current.gpg"), folder.File("current.gpg"), false},
      {folder.File("current.gpg"), folder.File("./current.gpg"), false},
      {folder.File("current.gpg"), folder.File("new.gpg"), false},
      {folder.File("unsaved.gpg"), folder.File("chosen.gpg"), true},
  };
  for (const Case& c : cases) {
    Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
    request.outputPath = c.opening;
    SelectKeyDialog dialog(&settings, &request, test::Runner());
    if (c.browse) {
      test::AnswerFileDialog(QString::fromStdString(c.typed));
      dialog.browseButton()->click();
      ASSERT_EQ(dialog.fileNameEdit()->text().toStdString(), c.typed);
    } else {
      dialog.fileNameEdit()->setText(QString::fromStdString(c.typed));
    }
    QuestionAnswer answer;
    AnswerQuestions(dialog, answer, QMessageBox::No);
    dialog.okButton()->click();
    EXPECT_EQ(answer.asked, 0) << c.typed;
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.typed;
    EXPECT_EQ(request.outputPath, c.typed);
  }
}

TEST(SelectKeyDialog, EmptyFileNameIsRefusedAndASecondOkDoesNotRepeatRecipients) {
  const auto& keys = SharedKeys();
  Opening opening(keys.ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
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
  EXPECT_EQ(request.recipients, Strings{keys.carol.fingerprint});
  EXPECT_EQ(request.outputPath, "/records/new.gpg");
}

TEST(SelectKeyDialog, CancelWritesNothing) {
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  dialog.symmetricRadio()->click();
  dialog.passphraseEdit()->setText("typed");
  dialog.confirmEdit()->setText("typed");
  dialog.cancelButton()->click();
  EXPECT_EQ(dialog.result(), 2);
  EXPECT_FALSE(request.publicKeyMode);  // as it was before
  EXPECT_TRUE(request.passphrase.empty());
  EXPECT_TRUE(dialog.passphraseEdit()->text().isEmpty());
}

TEST(SelectKeyDialog, BrowseStartsAtTheOpeningPathAndFillsTheBox) {
  TempDir folder;
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  request.outputPath = folder.File("current.gpg");
  SelectKeyDialog dialog(&settings, &request, test::Runner());
  dialog.fileNameEdit()->setText(QStringLiteral("/elsewhere/typed.gpg"));

  QString offered;
  test::AnswerFileDialog(QString::fromStdString(folder.File("chosen")),
                         [&](QFileDialog* fileDialog) {
                           offered = fileDialog->selectedFiles().value(0);
                         });
  dialog.browseButton()->click();
  EXPECT_EQ(offered, QString::fromStdString(folder.File("current.gpg")));
  EXPECT_EQ(dialog.fileNameEdit()->text(), QString::fromStdString(folder.File("chosen.gpg")));
}

TEST(SelectKeyDialog, KeyManagementRefreshesTheList) {
  const auto& keys = SharedKeys();
  TempDir home;
  test::CopyPublicKey(keys.ring, home.path(), keys.carol.fingerprint);
  test::CopyPublicKey(keys.ring, home.path(), keys.alice.fingerprint);
  Opening opening(home.path());
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  RecordingReport report;
  SelectKeyDialog dialog(&settings, &request, test::Runner(), nullptr, report);
  SelectRow(dialog.keyList(), 1);

  WhenModal([](QWidget* modal) {
    auto* manage = qobject_cast<ManageKeyDialog*>(modal);
    if (!manage) {
      ADD_FAILURE() << "expected the key management dialog";
      modal->close();
      return;
    }
    manage->keyList()->topLevelItem(0)->setSelected(true);  // Alice
    manage->deleteButton()->click();
    manage->okButton()->click();
  });
  dialog.manageKeysButton()->click();

  EXPECT_EQ(Names(dialog.keyList()), Strings{"Carol Test"});
  EXPECT_TRUE(dialog.keyList()->selectedItems().isEmpty());
  EXPECT_TRUE(report.reports.empty());
}

TEST(SelectKeyDialog, FailedListingIsReported) {
  Opening opening(SharedKeys().ring);
  GpgSettings& settings = opening.settings;
  SaveRequest& request = opening.request;
  settings.gpgPath = "/nonexistent/gpg";
  RecordingReport report;
  SelectKeyDialog dialog(&settings, &request, test::Runner(), nullptr, report);
  ASSERT_EQ(report.reports.size(), 1u);
  EXPECT_EQ(report.reports[0].source, report::kSelectKeyListFailed.source);
  EXPECT_EQ(report.reports[0].line, report::kSelectKeyListFailed.line);
  EXPECT_EQ(dialog.keyList()->topLevelItemCount(), 0);
  dialog.symmetricRadio()->click();  // still usable without keys
  dialog.passphraseEdit()->setText(QStringLiteral("pw"));
  dialog.confirmEdit()->setText(QStringLiteral("pw"));
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace ambrine
