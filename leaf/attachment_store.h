// The open form's attachments. Each entry points to a temporary file that
// holds the attached file encrypted by gpg under the entry's own random
// passphrase; the store owns those files and deletes each with its entry.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/fd.h"
#include "base/result.h"
#include "base/error_report.h"

namespace ambrine {

struct AttachmentEntry {
  int index = 0;               // number shown to the page: 0, 1, 2, ...
  std::string name;            // display name (UTF-8 bytes as they came)
  std::string tempPath;        // the temporary attachment file
  std::string tempPassphrase;  // 16 upper-case hexadecimal digits
};

class AttachmentStore {
 public:
  AttachmentStore() = default;
  ~AttachmentStore();  // deletes every temporary file
  AttachmentStore(const AttachmentStore&) = delete;
  AttachmentStore& operator=(const AttachmentStore&) = delete;

  // Deletes each entry's temporary file in list order and removes it.
  void Clear();
  // Adds an entry at the end with the next index; the store now owns the
  // file at `tempPath`. Returns the new entry's index.
  int Append(std::string name, std::string tempPath, std::string tempPassphrase);
  // Deletes this store's entries, then takes over every entry of `other`
  // in its order, renumbered from 0; `other` is left empty.
  void ReplaceWith(AttachmentStore& other);
  // The entry with that index, or null.
  const AttachmentEntry* Find(int index) const;
  // Removes the entry with that index (deleting its file) and renumbers the
  // rest 0, 1, 2, ...; false when no entry has that index.
  bool Remove(int index);
  std::size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }

  using const_iterator = std::vector<AttachmentEntry>::const_iterator;
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  static void Discard(AttachmentEntry& entry);

  std::vector<AttachmentEntry> entries_;
};

// The folder for temporary attachment files: $TMPDIR, else /tmp.
std::string TempFolder();

// Creates a new, empty, owner-only file AMBxxxxxx.TMP in TempFolder(); gives
// its path and an open (close-on-exec) descriptor for writing.
Result CreateTempAttachmentFile(std::string& path, Fd& fd);

// Fills `output` with `length` upper-case hexadecimal digits made from
// length / 2 random bytes of getrandom(2). A failure is reported (source
// "mainview", line 83) and returned; `output` is then empty.
Result MakeTempPassphrase(std::string& output, std::size_t length, ErrorReport& report);

}  // namespace ambrine
