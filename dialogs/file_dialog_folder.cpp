#include "dialogs/file_dialog_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ambrine {

namespace {

struct Memory {
  QString last;         // the folder of the last chosen file
  QStringList avoided;  // as canonical paths
};

Memory& TheMemory() {
  static Memory memory;
  return memory;
}

// An existing folder no dialog is kept out of.
bool Usable(const QString& folder) {
  const QFileInfo info(folder);
  return !folder.isEmpty() && info.isDir() &&
         !TheMemory().avoided.contains(info.canonicalFilePath());
}

}  // namespace

void FileDialogFolder::BeginRun(const QStringList& avoided) {
  Memory& memory = TheMemory();
  memory.last.clear();
  memory.avoided.clear();
  for (const QString& folder : avoided) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (!canonical.isEmpty()) memory.avoided << canonical;
  }
}

QString FileDialogFolder::Start() {
  if (Usable(TheMemory().last)) return TheMemory().last;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (Usable(documents)) return documents;
  return QDir::homePath();
}

void FileDialogFolder::Remember(const QString& chosen) {
  if (!chosen.isEmpty()) TheMemory().last = QFileInfo(chosen).absolutePath();
}

}  // namespace ambrine
