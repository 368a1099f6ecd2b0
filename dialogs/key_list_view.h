// The list of keys that the key dialogs show, sorted by name: "Name" and
// "Fingerprint", and in the key management dialog also "Type", "Size" and
// "Created".
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

  // Adds the columns "Type" (DSA/ElGamal, RSA), "Size" (bits) and
  // "Created" (YYYY-MM-DD) after the fingerprint.
  void AddFactColumns();

  // Replaces the items by one per key entry: the user id as the name and the
  // fingerprint in groups of four; with the fact columns and `facts` (one
  // per entry), each key's type, size and creation date too.
  void ShowKeys(const KeyList& keys, const KeyFactsList* facts = nullptr);

  // Fingerprints of the selected items without spaces, from the top down.
  std::vector<std::string> SelectedFingerprints() const;
};

}  // namespace ambrine
