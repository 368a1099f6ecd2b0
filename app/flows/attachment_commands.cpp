#include "app/flows/attachment_commands.h"

#include <cstdio>

#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

#include "app/flows/background_operation.h"
#include "dialogs/file_dialogs.h"
#include "app/flows/gui_thread_error_report.h"
#include "leaf/attachment_files.h"
#include "leaf/attachment_store.h"
#include "leaf/wiped_bytes.h"

namespace ambrine {

namespace {

// The program's text, then gpg's line for the failure when there is one.
QString WithGpgLine(QString text, const std::string& gpgLine) {
  if (!gpgLine.empty()) text += QLatin1Char('\n') + QString::fromStdString(gpgLine);
  return text;
}

// Asks whether to extract an attachment the viewer will not show.
bool OfferExtraction(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Ambrine"), text,
                  QMessageBox::Yes | QMessageBox::No, owner);
  box.setInformativeText(QStringLiteral("ファイルに取り出しますか?"));
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

bool AttachmentListing(const AttachmentStore& store, std::string& text) {
  text.clear();
  for (const AttachmentEntry& entry : store) {
    // Each line has room for 275 characters, as the page has always had.
    char line[276];
    const int length = std::snprintf(line, sizeof line, "%d\t%s\n", entry.index, entry.name.c_str());
    if (length < 0 || length >= static_cast<int>(sizeof line)) return false;
    // A leaf chooses its names: a tab or line break in one would make the
    // page read lines that are not there, so control characters show as
    // spaces here (the stored name is kept).
    for (int i = std::snprintf(nullptr, 0, "%d\t", entry.index); i < length - 1; ++i)
      if (static_cast<unsigned char>(line[i]) < 0x20 || line[i] == 0x7f) line[i] = ' ';
    text.append(line, static_cast<std::size_t>(length));
  }
  return true;
}

void AttachmentCommands::Attach(std::optional<std::string>& result) {
  QWidget* owner = context_.dialogOwner;
  const QString chosen = AskOpenFileName(owner, {AllFilesFilter()});
  if (chosen.isEmpty()) {
    result = std::string();
    return;
  }
  const std::string path = chosen.toStdString();
  // gpg reads the file on a worker thread; a cancel adds nothing and says
  // nothing.
  GuiThreadErrorReport report(context_.report);
  AttachmentFiles files(context_.settings, report);
  AttachOutcome outcome = AttachOutcome::Cancelled;
  BackgroundOperation(owner, QStringLiteral("添付しています...")).Run([&](OperationProgress& progress) {
    outcome = files.Attach(path, context_.attachments, &progress);
  });
  if (outcome == AttachOutcome::EncryptionFailed) {
    QMessageBox::critical(owner, QStringLiteral("Error"),
                          WithGpgLine(QStringLiteral("ファイルを添付できません: %1")
                                          .arg(QString::fromStdString(BaseName(path))),
                                      files.gpgError()));
  }
  List(result);
}

void AttachmentCommands::Detach(std::int32_t index, std::optional<std::string>& result) {
  context_.attachments.Remove(index);
  List(result);
}

void AttachmentCommands::List(std::optional<std::string>& result) {
  std::string text;
  if (AttachmentListing(context_.attachments, text)) result = std::move(text);
}

void AttachmentCommands::Extract(std::int32_t index) {
  const AttachmentEntry* entry = context_.attachments.Find(index);
  if (!entry) return;
  QWidget* owner = context_.dialogOwner;
  // A leaf chooses the stored name: only its safe base name is proposed, so
  // Enter writes into the folder the dialog shows and nowhere else.
  const QString shownName = QString::fromStdString(SafeFileName(entry->name));
  const QString chosen = AskSaveFileName(owner, {AllFilesFilter()}, QString(), shownName);
  if (chosen.isEmpty()) return;
  const std::string target = chosen.toStdString();
  // gpg writes the file on a worker thread; a cancel leaves the target as
  // it was and says nothing.
  GuiThreadErrorReport report(context_.report);
  AttachmentFiles files(context_.settings, report);
  ExtractOutcome outcome = ExtractOutcome::Cancelled;
  BackgroundOperation(owner, QStringLiteral("取り出しています...")).Run([&](OperationProgress& progress) {
    outcome = files.Extract(*entry, target, &progress);
  });
  if (outcome == ExtractOutcome::DecryptionFailed) {
    QMessageBox::critical(owner, QStringLiteral("Error"),
                          WithGpgLine(QStringLiteral("添付ファイルを取り出せません: %1")
                                          .arg(shownName),
                                      files.gpgError()));
  }
}

void AttachmentCommands::View(std::int32_t index, const ShowAttachment& show) {
  const AttachmentEntry* entry = context_.attachments.Find(index);
  if (!entry) return;
  QWidget* owner = context_.dialogOwner;
  const QString shownName = QString::fromStdString(SafeFileName(entry->name));
  // gpg decrypts into a pipe the worker thread reads; the bytes go to
  // memory only.
  auto bytes = std::make_shared<WipedBytes>();
  GuiThreadErrorReport report(context_.report);
  AttachmentFiles files(context_.settings, report);
  ReadOutcome outcome = ReadOutcome::Cancelled;
  BackgroundOperation(owner, QStringLiteral("読み込んでいます...")).Run([&](OperationProgress& progress) {
    outcome = files.ReadIntoMemory(*entry, *bytes, &progress);
  });
  switch (outcome) {
    case ReadOutcome::Read:
      break;
    case ReadOutcome::DecryptionFailed:
      QMessageBox::critical(owner, QStringLiteral("Error"),
                            WithGpgLine(QStringLiteral("添付ファイルを表示できません: %1").arg(shownName),
                                        files.gpgError()));
      return;
    case ReadOutcome::TooLarge:
      if (OfferExtraction(owner, QStringLiteral("%1 MiB を超える添付ファイルは表示できません: %2")
                                     .arg(kMaxReadIntoMemory >> 20)
                                     .arg(shownName)))
        Extract(index);
      return;
    default:  // told already, or cancelled
      return;
  }
  const ViewerContent content = ClassifyForViewer(entry->name, bytes->view());
  if (content.kind == ViewerKind::kUnsupported) {
    bytes->Release();
    if (OfferExtraction(owner, QStringLiteral("この形式は表示できません"))) Extract(index);
    return;
  }
  show(shownName, std::move(bytes), content);
}

void AttachmentCommands::ChooseAndView(const ShowAttachment& show) {
  QWidget* owner = context_.dialogOwner;
  if (context_.attachments.Empty()) {
    QMessageBox::information(owner, QStringLiteral("Ambrine"),
                             QStringLiteral("添付ファイルがありません。"));
    return;
  }
  // One line per attachment, in the page's order; a leaf's names are shown
  // as the extraction proposes them, never with control characters.
  QStringList names;
  for (const AttachmentEntry& entry : context_.attachments)
    names << QStringLiteral("%1  %2").arg(entry.index).arg(QString::fromStdString(SafeFileName(entry.name)));
  QInputDialog dialog(owner);
  dialog.setWindowTitle(QStringLiteral("添付ファイルの表示"));
  dialog.setLabelText(QStringLiteral("表示する添付ファイル:"));
  dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
  dialog.setComboBoxItems(names);
  dialog.setTextValue(names.front());
  if (dialog.exec() != QDialog::Accepted) return;
  const qsizetype row = names.indexOf(dialog.textValue());
  if (row < 0) return;
  View(static_cast<std::int32_t>(row), show);
}

}  // namespace ambrine
