#include "dialogs/key_list_view.h"

#include <QHeaderView>

namespace ambrine {

KeyListView::KeyListView(int fingerprintWidth, QAbstractItemView::SelectionMode mode,
                         QWidget* parent)
    : QTreeWidget(parent) {
  setColumnCount(2);
  setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Fingerprint")});
  setColumnWidth(0, 200);
  setColumnWidth(1, fingerprintWidth);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(mode);
  // The order is always by name; the header does not re-sort.
  header()->setSectionsClickable(false);
}

void KeyListView::ShowKeys(const KeyList& keys) {
  clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(keys.size()));
  for (const std::string& entry : keys) {
    const KeyEntry key = SplitKeyEntry(entry);
    items << new QTreeWidgetItem(
        QStringList{QString::fromStdString(key.userId),
                    QString::fromStdString(FormatFingerprint(key.fingerprint))});
  }
  addTopLevelItems(items);
  sortItems(0, Qt::AscendingOrder);
}

std::vector<std::string> KeyListView::SelectedFingerprints() const {
  std::vector<std::string> fingerprints;
  for (int row = 0; row < topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = topLevelItem(row);
    if (item->isSelected()) {
      fingerprints.push_back(StripSpaces(item->text(1).toStdString()));
    }
  }
  return fingerprints;
}

}  // namespace ambrine
