// The search index: what search extracted from each leaf, kept between
// searches in one file in the conf folder that gpg encrypts to the user's
// own key. Its plaintext lives only in memory. A leaf made with a
// passphrase is kept only as "needs a passphrase", never with its text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "base/result.h"
#include "gpg/gpg_settings.h"
#include "leaf/search/leaf_contents.h"

namespace ambrine {

struct IndexEntry {
  std::int64_t size = -1;     // the file's size when it was read
  std::int64_t mtimeNs = -1;  // its modification time, in nanoseconds
  LeafReading reading = LeafReading::Unreadable;
  LeafContents contents;      // for LeafReading::Read only
};

class SearchIndex {
 public:
  // The index file of a conf folder.
  static std::string PathIn(const std::string& confFolder);

  // Replaces the entries with those of the index file, decrypted by gpg
  // (`passphrase`, when not null, for a secret key that needs one). A
  // missing file gives an empty index; a file that cannot be decrypted or
  // read gives an empty index and kInvalidData, so the search rebuilds it.
  Result Load(const GpgSettings& settings, const std::string& indexPath,
              const std::string* passphrase);

  // Writes the entries, encrypted by gpg to `ownFingerprint` alone, into a
  // new owner-only file that replaces the index only once gpg succeeded.
  Result Save(const GpgSettings& settings, const std::string& indexPath,
              const std::string& ownFingerprint) const;

  // The plaintext form, and reading it back (false for a text that is not
  // a whole index of this version; the entries are then empty).
  std::string Serialize() const;
  bool Parse(std::string_view text);

  // Entries by the leaf's absolute path.
  std::map<std::string, IndexEntry> entries;
};

}  // namespace ambrine
