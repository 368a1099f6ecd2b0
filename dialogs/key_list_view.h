// The two-column list of keys ("Name", "Fingerprint") that the key
// dialogs show, sorted by name.
#pragma once

#include <QTreeWidget>
#include <string>
#include <vector>

#include "gpg/key_list.h"

namespace ambrine {

class KeyListView : public QTreeWidget {
 public:
  KeyListView(int fingerprintWidth, QAbstractItemView::SelectionMode mode,
              QWidget* parent = nullptr);

  // Replaces the items by one per key entry: the user id as the name and the
  // fingerprint in groups of four.
  void ShowKeys(const KeyList& keys);

  // Fingerprints of the selected items without spaces, from the top down.
  std::vector<std::string> SelectedFingerprints() const;
};

}  // namespace ambrine
