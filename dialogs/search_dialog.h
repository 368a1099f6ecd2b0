// "検索": the folder to search, the words, an optional passphrase, and
// the leaves found. The dialog only asks and shows: its owner runs the
// search when asked (searchRequested) and opens a leaf the user picks
// (leafChosen). It stays open beside the main window.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "leaf/search/record_search.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ambrine {

class SearchDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SearchDialog(QWidget* parent);
  ~SearchDialog() override;

  // The folder, and the words split at white space (full-width spaces
  // included); empty words are dropped.
  QString folder() const;
  QStringList words() const;
  // The passphrase typed, then cleared from the box; false when none was.
  bool TakePassphrase(std::string& passphrase);

  // Shows what a search found (hits, then the files it could not search)
  // and the count.
  void ShowOutcome(const SearchOutcome& outcome);

  // Why a file could not be searched, as the list shows it.
  static QString SkipReason(LeafReading reason);

 signals:
  // 検索 was pressed with a folder and at least one word.
  void searchRequested();
  // A leaf found was double-clicked (or Enter pressed on it).
  void leafChosen(const QString& path);

 private:
  void Browse();
  void RequestSearch();
  void ChooseItem(QTreeWidgetItem* item);

  QLineEdit* folder_;
  QLineEdit* words_;
  QLineEdit* passphrase_;
  QPushButton* search_;
  QTreeWidget* hits_;
  QTreeWidget* skipped_;
  QLabel* summary_;
};

}  // namespace ambrine
