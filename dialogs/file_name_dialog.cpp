#include "dialogs/file_name_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>

#include "dialogs/file_dialog_folder.h"

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

// Qt would add the default suffix to every typed name, so an existing file
// without a dot could never be opened. Opening takes the name as typed and
// adds the suffix only when that finds the file.
class FileNameDialog : public QFileDialog {
 public:
  FileNameDialog(QWidget* parent, QString openSuffix)
      : QFileDialog(parent), openSuffix_(std::move(openSuffix)) {}

 protected:
  void accept() override {
    const QStringList typed = selectedFiles();
    if (acceptMode() == AcceptOpen && !openSuffix_.isEmpty() && typed.size() == 1) {
      const QString withSuffix = typed.first() + QLatin1Char('.') + openSuffix_;
      if (!QFileInfo::exists(typed.first()) && QFileInfo::exists(withSuffix)) {
        selectFile(withSuffix);
      }
    }
    QFileDialog::accept();
  }

 private:
  QString openSuffix_;
};

}  // namespace

QString AskFileName(QWidget* parent, const FileNameQuestion& question) {
  FileNameDialog dialog(parent, question.save ? QString() : question.defaultSuffix);
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
  if (question.save) dialog.setDefaultSuffix(question.defaultSuffix);
  // An initial file given with its folder opens that folder instead.
  dialog.setDirectory(FileDialogFolder::Start());
  if (!question.initialFile.isEmpty()) dialog.selectFile(question.initialFile);

  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return {};
  FileDialogFolder::Remember(chosen.first());
  return chosen.first();
}

}  // namespace ambrine
