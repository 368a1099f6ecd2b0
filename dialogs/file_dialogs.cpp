#include "dialogs/file_dialogs.h"

#include <QFileDialog>

#include "dialogs/file_dialog_folder.h"

namespace ambrine {

QStringList NameFiltersFor(const std::vector<FileFilter>& filters) {
  QStringList out;
  for (const FileFilter& f : filters) {
    const QString pattern = f.pattern == QLatin1String("*.*") ? QStringLiteral("*") : f.pattern;
    out << QStringLiteral("%1 (%2)").arg(f.label, pattern);
  }
  return out;
}

namespace {

QString Ask(QWidget* owner, const std::vector<FileFilter>& filters, bool save,
            const QString& defaultSuffix, const QString& initialName) {
  // Qt's own dialog, so the labels show exactly as given while the patterns
  // in the last parentheses do the matching.
  QFileDialog dialog(owner);
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(NameFiltersFor(filters));
  if (!defaultSuffix.isEmpty()) dialog.setDefaultSuffix(defaultSuffix);
  dialog.setDirectory(FileDialogFolder::Start());
  if (!initialName.isEmpty()) dialog.selectFile(initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString chosen = dialog.selectedFiles().front();
  FileDialogFolder::Remember(chosen);
  return chosen;
}

}  // namespace

QString AskOpenFileName(QWidget* owner, const std::vector<FileFilter>& filters,
                        const QString& /*defaultSuffix*/) {
  return Ask(owner, filters, false, QString(), QString());
}

QString AskSaveFileName(QWidget* owner, const std::vector<FileFilter>& filters,
                        const QString& defaultSuffix, const QString& initialName) {
  return Ask(owner, filters, true, defaultSuffix, initialName);
}

}  // namespace ambrine
