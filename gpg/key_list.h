// Key listings: one entry per primary key, "user id:fingerprint".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gpg/key_facts.h"

namespace ambrine {

using KeyList = std::vector<std::string>;

struct KeyEntry {
  std::string userId;
  std::string fingerprint;
};

// Splits an entry at its first ':'; an entry without one gives the whole
// entry as both parts.
KeyEntry SplitKeyEntry(std::string_view entry);

// "ABCD1234..." -> "ABCD 1234 ..." (a space before every fourth character).
std::string FormatFingerprint(std::string_view fingerprint);

// Removes the spaces that FormatFingerprint put in.
std::string StripSpaces(std::string_view text);

// Turns gpg's colon records (--with-colons --fixed-list-mode
// --with-fingerprint) into key entries, one line at a time. With `facts`,
// each entry also gets its KeyFacts there, at the same index: the primary
// key's size, algorithm and creation time (fields 3, 4 and 6 of its pub or
// sec record) and the algorithm and size of the first subkey listed after
// it.
class KeyListParser {
 public:
  explicit KeyListParser(KeyList& out, KeyFactsList* facts = nullptr)
      : out_(out), facts_(facts) {}
  void AddLine(std::string_view line);
  void Finish();

 private:
  void CloseEntry();

  KeyList& out_;
  KeyFactsList* facts_;
  std::string blockType_;
  std::string userId_;
  std::string fingerprint_;
  KeyFacts pendingFacts_;
  // The last entry appended belongs to the primary key still being listed,
  // so a subkey record that follows is that key's.
  bool entryOpen_ = false;
};

// Field n (from 1) of a colon record, or "" when the record is shorter.
std::string_view ColonField(std::string_view line, int n);

}  // namespace ambrine
