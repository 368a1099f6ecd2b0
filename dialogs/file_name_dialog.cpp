#include "dialogs/file_name_dialog.h"

#include <QComboBox>
#include <QFileDialog>

namespace ambrine {
namespace {

const QString kAnyNameSuffix = QStringLiteral("(*.*)");

// Qt reads "*.*" literally (a dot is required) and, in a save dialog, would
// turn the typed name's suffix into "*" when that filter is picked. The
// filter handed to Qt therefore says "*"; the label is restored below.
QString QtFilterFor(const QString& label) {
  if (label.endsWith(kAnyNameSuffix)) {
    return label.chopped(kAnyNameSuffix.size()) + QStringLiteral("(*)");
  }
  return label;
}

}  // namespace

QString AskFileName(QWidget* parent, const FileNameQuestion& question) {
  QFileDialog dialog(parent);
  // Qt's own dialog behaves the same on every desktop (and can be driven by
  // the tests); the platform's portal dialog cannot show our filter labels.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(question.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(question.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);

  QStringList qtFilters;
  for (const QString& label : question.filters) qtFilters << QtFilterFor(label);
  dialog.setNameFilters(qtFilters);
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
    for (int i = 0; i < types->count() && i < question.filters.size(); ++i) {
      types->setItemText(i, question.filters.at(i));
    }
  }
  dialog.setDefaultSuffix(question.defaultSuffix);
  if (!question.initialFile.isEmpty()) dialog.selectFile(question.initialFile);

  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace ambrine
