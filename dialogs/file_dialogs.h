// File dialogs with the program's filter labels. A filter's label is shown
// exactly as given; the pattern "*.*" ("all files") matches every name,
// a name without a dot too. They open where FileDialogFolder says.
#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QWidget;

namespace ambrine {

struct FileFilter {
  QString label;    // e.g. "gpg ファイル (*.gpg)"
  QString pattern;  // e.g. "*.gpg"
};

inline FileFilter AllFilesFilter() {
  return {QStringLiteral("すべてのファイル (*.*)"), QStringLiteral("*.*")};
}

// The name filters as QFileDialog takes them when it hides the patterns:
// each label followed by the real patterns in parentheses.
QStringList NameFiltersFor(const std::vector<FileFilter>& filters);

// An existing file to open; empty on cancel. The file is taken as it is
// named: `defaultSuffix` is not added to a name without a dot (Qt would,
// which makes a file without extension impossible to open).
QString AskOpenFileName(QWidget* owner, const std::vector<FileFilter>& filters,
                        const QString& defaultSuffix = QString());
// A file to write, asking before an existing file is replaced; empty on cancel.
QString AskSaveFileName(QWidget* owner, const std::vector<FileFilter>& filters,
                        const QString& defaultSuffix = QString(),
                        const QString& initialName = QString());

}  // namespace ambrine
