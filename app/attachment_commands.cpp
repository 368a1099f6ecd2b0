#include "app/attachment_commands.h"

#include <unistd.h>

#include <cstdio>

#include <QMessageBox>

#include "app/file_dialogs.h"
#include "app/main_view.h"
#include "app/replacement_file.h"
#include "gpg/gpg_engine.h"
#include "leaf/secure_wipe.h"

namespace ambrine {

namespace {

// The file's name without its folder.
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool AttachmentListing(const AttachmentStore& store, std::string& text) {
  text.clear();
  for (const AttachmentEntry& entry : store) {
    // Each line has room for 275 characters, as the page has always had.
    char line[276];
    const int length = std::snprintf(line, sizeof line, "%d\t%s\n", entry.index, entry.name.c_str());
    if (length < 0 || length >= static_cast<int>(sizeof line)) return false;
    text.append(line, static_cast<std::size_t>(length));
  }
  return true;
}

void AttachmentCommands::Attach(std::optional<std::string>& result) {
  QWidget* owner = view_.dialogOwner();
  const QString chosen = AskOpenFileName(owner, {AllFilesFilter()});
  if (chosen.isEmpty()) {
    result = std::string();
    return;
  }
  const std::string path = chosen.toStdString();
  ErrorReport& report = view_.errorReport();

  std::string tempPath;
  Fd tempFd;
  Status s = CreateTempAttachmentFile(tempPath, tempFd);
  if (Failed(s)) {
    report.Report(s, "mainview", 1538);
    List(result);
    return;
  }
  tempFd.reset();  // gpg writes the file by its name
  std::string passphrase;
  int exitCode = -1;
  s = MakeTempPassphrase(passphrase, 16, report);
  if (Succeeded(s)) {
    GpgEngine engine(view_.settings());
    s = engine.EncryptFileSymmetric(path, tempPath, false, nullptr, passphrase.c_str(), &exitCode);
  }
  if (Failed(s) || exitCode != 0) {
    // An entry without its content would only fail later, when the leaf is
    // saved: nothing is added and the user learns it now.
    ::unlink(tempPath.c_str());
    SecureWipe(passphrase);
    QMessageBox::critical(owner, QStringLiteral("Error"),
                          QStringLiteral("ファイルを添付できません: %1")
                              .arg(QString::fromStdString(BaseName(path))));
    List(result);
    return;
  }
  view_.attachments().Append(BaseName(path), std::move(tempPath), std::move(passphrase));
  List(result);
}

void AttachmentCommands::Detach(std::int32_t index, std::optional<std::string>& result) {
  view_.attachments().Remove(index);
  List(result);
}

void AttachmentCommands::List(std::optional<std::string>& result) {
  std::string text;
  if (AttachmentListing(view_.attachments(), text)) result = std::move(text);
}

void AttachmentCommands::Extract(std::int32_t index) {
  const AttachmentEntry* entry = view_.attachments().Find(index);
  if (!entry) return;
  QWidget* owner = view_.dialogOwner();
  const QString chosen =
      AskSaveFileName(owner, {AllFilesFilter()}, QString(), QString::fromStdString(entry->name));
  if (chosen.isEmpty()) return;
  ErrorReport& report = view_.errorReport();

  // gpg writes beside the chosen file, which is replaced only by the whole
  // content: a failed extraction neither leaves a wrong file nor destroys
  // the one that was there.
  ReplacementFile output;
  Status s = output.Create(chosen.toStdString());
  if (Failed(s)) return report.Report(s, "mainview", 1628);
  output.TakeFd().reset();
  int exitCode = -1;
  GpgEngine engine(view_.settings());
  s = engine.DecryptFile(entry->tempPath, output.tempPath(), false,
                         entry->tempPassphrase.c_str(), &exitCode);
  if (Failed(s)) return report.Report(s, "mainview", 1628);
  if (exitCode != 0) {
    QMessageBox::critical(owner, QStringLiteral("Error"),
                          QStringLiteral("添付ファイルを取り出せません: %1")
                              .arg(QString::fromStdString(entry->name)));
    return;
  }
  // The user asked for a plain file: it gets the usual mode, not owner-only.
  output.UseDefaultMode();
  s = output.Commit();
  if (Failed(s)) report.Report(s, "mainview", 1628);
}

}  // namespace ambrine
