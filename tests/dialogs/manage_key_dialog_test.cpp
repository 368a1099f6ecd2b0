// The key management dialog against real gpg1 key rings.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "dialogs/key_list_view.h"
#include "dialogs/manage_key_dialog.h"
#include "key_dialog_testing.h"

namespace ambrine {
namespace {

using test::AnswerFileDialog;
using test::Names;
using test::RecordingReport;
using test::Strings;
using test::TempDir;
using test::TestKey;
using test::WhenModal;

const test::DialogTestKeys& SharedKeys() { return test::SharedTestKeys(); }

// A fresh home holding only the public keys given (no secret key ring).
std::unique_ptr<TempDir> PublicOnlyHome(std::initializer_list<const TestKey*> keys) {
  auto home = std::make_unique<TempDir>();
  for (const TestKey* key : keys)
    test::CopyPublicKey(SharedKeys().ring, home->path(), key->fingerprint);
  return home;
}

std::vector<std::string> PublicFingerprints(const std::string& home) {
  KeyList keys;
  GpgEngine engine(test::SettingsFor(home));
  engine.ListKeys(false, keys, nullptr, nullptr);
  std::vector<std::string> fingerprints;
  for (const auto& entry : keys) fingerprints.push_back(SplitKeyEntry(entry).fingerprint);
  return fingerprints;
}

void SelectName(KeyListView* list, const std::string& name) {
  const auto found = list->findItems(QString::fromStdString(name), Qt::MatchExactly, 0);
  ASSERT_EQ(found.size(), 1);
  found.first()->setSelected(true);
}

// Closes, and counts, any modal window that opens while it lives.
class ModalCounter {
 public:
  ModalCounter() {
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        ++count;
        modal->close();
      }
    });
    timer_.start(20);
  }
  int count = 0;

 private:
  QTimer timer_;
};

TEST(ManageKeyDialog, ListsKeysSortedByNameWithGroupedFingerprints) {
  const auto& keys = SharedKeys();
  GpgSettings settings = test::SettingsFor(keys.ring);
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);

  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("鍵の管理"));
  KeyListView* list = dialog.keyList();
  ASSERT_EQ(Names(list), (Strings{"Alice Test", "Carol Test", "山田 花子"}));
  const QRegularExpression grouped(QStringLiteral("^([0-9A-F]{4} ){9}[0-9A-F]{4}$"));
  EXPECT_TRUE(grouped.match(list->topLevelItem(0)->text(1)).hasMatch());
  EXPECT_EQ(StripSpaces(list->topLevelItem(0)->text(1).toStdString()), keys.alice.fingerprint);
  EXPECT_EQ(StripSpaces(list->topLevelItem(2)->text(1).toStdString()), keys.hanako.fingerprint);
  // Each key's type, size and creation date from the listing.
  ASSERT_EQ(list->columnCount(), 5);
  EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Type"));
  EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Size"));
  EXPECT_EQ(list->headerItem()->text(4), QStringLiteral("Created"));
  const QRegularExpression day(QStringLiteral("^20[0-9]{2}-[01][0-9]-[0-3][0-9]$"));
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    EXPECT_EQ(list->topLevelItem(row)->text(2), QStringLiteral("DSA/ElGamal"));
    EXPECT_EQ(list->topLevelItem(row)->text(3), QStringLiteral("1024/2048"));
    EXPECT_TRUE(day.match(list->topLevelItem(row)->text(4)).hasMatch())
        << list->topLevelItem(row)->text(4).toStdString();
  }
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_TRUE(dialog.okButton()->isDefault());
  EXPECT_TRUE(report.reports.empty());
}

TEST(ManageKeyDialog, EmptyRingShowsNothingAndExportAndDeleteDoNothing) {
  TempDir home;
  GpgSettings settings = test::SettingsFor(home.path());
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);
  EXPECT_EQ(dialog.keyList()->topLevelItemCount(), 0);

  ModalCounter modals;
  dialog.exportButton()->click();
  dialog.deleteButton()->click();
  EXPECT_EQ(modals.count, 0);
  EXPECT_TRUE(report.reports.empty());
}

TEST(ManageKeyDialog, ImportUsesNoSecretKeyRingAndRefillsTheList) {
  TempDir files;
  const std::string keyFile = files.File("alice");  // a name without a dot
  test::CopyPublicKey(SharedKeys().ring, files.path(), SharedKeys().alice.fingerprint);
  {
    GpgEngine engine(test::SettingsFor(files.path()));
    ASSERT_EQ(engine.ExportKey(SharedKeys().alice.fingerprint, keyFile, nullptr), kOk);
  }
  TempDir home;  // no key rings at all
  GpgSettings settings = test::SettingsFor(home.path());
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);

  QStringList labels, allFilesPatterns;
  AnswerFileDialog(QString::fromStdString(keyFile), [&](QFileDialog* fileDialog) {
    auto* types = fileDialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; types && i < types->count(); ++i) labels << types->itemText(i);
    fileDialog->selectNameFilter(QStringLiteral("すべてのファイル (*.*)"));
    if (auto* model = fileDialog->findChild<QFileSystemModel*>())
      allFilesPatterns = model->nameFilters();
  });
  dialog.importButton()->click();

  EXPECT_EQ(labels, (QStringList{"公開鍵 ファイル (*.gpg)", "すべてのファイル (*.*)"}));
  EXPECT_EQ(allFilesPatterns, QStringList{"*"});  // the dotless file is listed too
  EXPECT_EQ(Names(dialog.keyList()), Strings{"Alice Test"});
  // gpg creates a named secret key ring that is missing; the null device
  // stands in for it, so none appears.
  EXPECT_FALSE(std::filesystem::exists(home.File("secring.gpg")));
  EXPECT_TRUE(report.reports.empty());

  // A file that holds no key is reported and leaves the list alone.
  const std::string junk = files.File("junk.gpg");
  test::WriteFile(junk, "not a key\n");
  AnswerFileDialog(QString::fromStdString(junk));
  dialog.importButton()->click();
  ASSERT_EQ(report.reports.size(), 1u);
  EXPECT_EQ(report.reports[0].source, report::kManageKeyImportFailed.source);
  EXPECT_EQ(report.reports[0].line, report::kManageKeyImportFailed.line);
  EXPECT_EQ(Names(dialog.keyList()), Strings{"Alice Test"});
}

TEST(ManageKeyDialog, ExportWritesAKeyThatImportsElsewhere) {
  const auto& keys = SharedKeys();
  GpgSettings settings = test::SettingsFor(keys.ring);
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);
  SelectName(dialog.keyList(), keys.hanako.userId);

  TempDir out;
  const std::string keyFile = out.File("hanako.gpg");
  test::WriteFile(keyFile, "an older file that is replaced");
  QString offered;
  AnswerFileDialog(QString::fromStdString(keyFile), [&](QFileDialog* fileDialog) {
    offered = QFileInfo(fileDialog->selectedFiles().value(0)).fileName();
  });
  dialog.exportButton()->click();
  EXPECT_EQ(offered, QStringLiteral("Untitled.gpg"));
  EXPECT_TRUE(report.reports.empty());

  TempDir other;
  GpgEngine engine(test::SettingsFor(other.path()));
  ASSERT_EQ(engine.ImportKeys(keyFile, nullptr), kOk);
  EXPECT_EQ(PublicFingerprints(other.path()), Strings{keys.hanako.fingerprint});

  // For e-mail: ASCII armour, offered as .asc, that imports just the same.
  const std::string armored = out.File("hanako.asc");
  AnswerFileDialog(QString::fromStdString(armored), [&](QFileDialog* fileDialog) {
    offered = QFileInfo(fileDialog->selectedFiles().value(0)).fileName();
  });
  dialog.exportArmoredButton()->click();
  EXPECT_EQ(offered, QStringLiteral("Untitled.asc"));
  EXPECT_EQ(test::ReadFile(armored).rfind("-----BEGIN PGP PUBLIC KEY BLOCK-----", 0), 0u);
  TempDir third;
  GpgEngine importer(test::SettingsFor(third.path()));
  ASSERT_EQ(importer.ImportKeys(armored, nullptr), kOk);
  EXPECT_EQ(PublicFingerprints(third.path()), Strings{keys.hanako.fingerprint});
  EXPECT_TRUE(report.reports.empty());
}

TEST(ManageKeyDialog, DeleteRemovesTheSelectedKeyAtOnce) {
  const auto& keys = SharedKeys();
  auto home = PublicOnlyHome({&keys.alice, &keys.carol});
  GpgSettings settings = test::SettingsFor(home->path());
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);
  SelectName(dialog.keyList(), keys.alice.userId);

  ModalCounter modals;  // no confirmation question
  dialog.deleteButton()->click();
  EXPECT_EQ(modals.count, 0);
  EXPECT_TRUE(report.reports.empty());
  EXPECT_EQ(Names(dialog.keyList()), Strings{"Carol Test"});
  EXPECT_EQ(PublicFingerprints(home->path()), Strings{keys.carol.fingerprint});
}

TEST(ManageKeyDialog, RefusedDeleteIsReportedAndTheListRefilled) {
  // gpg will not delete a public key whose secret key is present.
  const auto& keys = SharedKeys();
  GpgSettings settings = test::SettingsFor(keys.carolHome);
  RecordingReport report;
  ManageKeyDialog dialog(&settings, test::Runner(), nullptr, report);
  SelectName(dialog.keyList(), keys.carol.userId);

  dialog.deleteButton()->click();
  ASSERT_EQ(report.reports.size(), 1u);
  EXPECT_EQ(report.reports[0].code, kFailure);
  EXPECT_EQ(report.reports[0].source, report::kManageKeyDeleteFailed.source);
  EXPECT_EQ(report.reports[0].line, report::kManageKeyDeleteFailed.line);
  EXPECT_EQ(Names(dialog.keyList()), Strings{"Carol Test"});
  EXPECT_TRUE(dialog.keyList()->selectedItems().isEmpty());  // a fresh list
}

TEST(ManageKeyDialog, EscapeRejectsAndOkAccepts) {
  TempDir home;
  GpgSettings settings = test::SettingsFor(home.path());
  ManageKeyDialog dialog(&settings, test::Runner());
  WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(dialog.exec(), 2);
  WhenModal([&](QWidget*) { dialog.okButton()->click(); });
  EXPECT_EQ(dialog.exec(), 1);
}

}  // namespace
}  // namespace ambrine
