// Key listings: one entry per primary key, "user id:fingerprint".
#pragma once

#include <string>
#include <string_view>
#include <vector>

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
// --with-fingerprint) into key entries, one line at a time.
class KeyListParser {
 public:
  explicit KeyListParser(KeyList& out) : out_(out) {}
  void AddLine(std::string_view line);
  void Finish();

 private:
  void CloseEntry();

  KeyList& out_;
  std::string blockType_;
  std::string userId_;
  std::string fingerprint_;
};

// Field n (from 1) of a colon record, or "" when the record is shorter.
std::string_view ColonField(std::string_view line, int n);

}  // namespace ambrine
