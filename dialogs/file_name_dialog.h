// Asks the user for a file name with Qt's own file dialog.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ambrine {

struct FileNameQuestion {
  // Save: any name, asking before an existing file is replaced.
  // Open: an existing file only.
  bool save = false;
  // Filter labels as shown, each "label (patterns)". A label whose pattern
  // is "*.*" keeps its text but matches every name, a dotless one too.
  QStringList filters;
  QString defaultSuffix;  // added to a name typed without a suffix
  QString initialFile;    // a name or a full path; empty for none
};

// The chosen full path, or an empty text when the user cancels. The dialog
// is modal over `parent`.
QString AskFileName(QWidget* parent, const FileNameQuestion& question);

}  // namespace ambrine
