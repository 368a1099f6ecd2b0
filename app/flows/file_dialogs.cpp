#include "app/flows/file_dialogs.h"

#include <QFileDialog>

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
  if (!initialName.isEmpty()) dialog.selectFile(initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().front();
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
