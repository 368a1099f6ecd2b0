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

void KeyListView::AddFactColumns() {
  setColumnCount(5);
  setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Fingerprint"), QStringLiteral("Type"),
                   QStringLiteral("Size"), QStringLiteral("Created")});
  setColumnWidth(2, 90);
  setColumnWidth(3, 80);
  setColumnWidth(4, 90);
}

void KeyListView::ShowKeys(const KeyList& keys, const KeyFactsList* facts) {
  clear();
  // Facts that do not pair up with the entries are not shown at all rather
  // than against the wrong key.
  const bool showFacts = columnCount() > 2 && facts && facts->size() == keys.size();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(keys.size()));
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const KeyEntry key = SplitKeyEntry(keys[i]);
    QStringList columns{QString::fromStdString(key.userId),
                        QString::fromStdString(FormatFingerprint(key.fingerprint))};
    if (showFacts) {
      const KeyFacts& fact = (*facts)[i];
      columns << QString::fromStdString(KeyTypeText(fact))
              << QString::fromStdString(KeySizeText(fact))
              << QString::fromStdString(KeyDateText(fact));
    }
    items << new QTreeWidgetItem(columns);
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
