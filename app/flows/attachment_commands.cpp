#include "app/flows/attachment_commands.h"

#include <cstdio>

#include <QMessageBox>

#include "app/flows/background_operation.h"
#include "app/flows/file_dialogs.h"
#include "app/flows/gui_thread_error_report.h"
#include "leaf/attachment_files.h"
#include "leaf/attachment_store.h"

namespace ambrine {

namespace {

// The program's text, then gpg's line for the failure when there is one.
QString WithGpgLine(QString text, const std::string& gpgLine) {
  if (!gpgLine.empty()) text += QLatin1Char('\n') + QString::fromStdString(gpgLine);
  return text;
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

}  // namespace ambrine
