// Where the file dialogs open. Qt would start them in the current folder,
// which is the program's own folder (the program runs from there): the
// place of gpg, the preset forms and the key rings, not of the user's files.
#pragma once

#include <QString>
#include <QStringList>

namespace ambrine {

class FileDialogFolder {
 public:
  // A new run of the window: nothing is remembered yet, and no dialog
  // starts in any of `avoided` (the program folder, the conf folder).
  static void BeginRun(const QStringList& avoided);

  // The folder the next file dialog starts in: the one the user last
  // chose a file in during this run, else the documents folder when it
  // exists, else the home folder; never an avoided folder.
  static QString Start();

  // Notes the folder of `chosen`, the file a dialog just gave back.
  static void Remember(const QString& chosen);
};

}  // namespace ambrine
