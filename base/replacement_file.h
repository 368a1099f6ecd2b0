// A new version of a file, written beside it under a temporary name and put
// in its place only when complete: a failed write never destroys the file
// that was there, and never leaves a partial one.
#pragma once

#include <string>

#include "base/fd.h"
#include "base/result.h"

namespace ambrine {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();  // removes the temporary file unless committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates ".<name>.XXXXXX" (owner-only) in the folder of `target`, open
  // for writing. The descriptor is close-on-exec; hand it on with TakeFd.
  // First removes what an earlier write of the same target left when it was
  // cut short: the user's own regular files in that folder named ".<name>."
  // and six characters that mkostemp could have chosen. Nothing else goes.
  Result Create(const std::string& target);

  const std::string& tempPath() const { return tempPath_; }
  Fd TakeFd() { return std::move(fd_); }

  // Flushes the temporary file to the disk, renames it over the target and
  // flushes the folder, so that after a crash the target is either the old
  // file or the whole new one. A failed flush of the file is returned with
  // nothing renamed; a failed flush of the folder is returned after the
  // rename (a folder whose file system cannot flush folders at all, EINVAL,
  // counts as flushed).
  Result Commit();

 private:
  std::string target_;
  std::string tempPath_;
  Fd fd_;
  bool committed_ = false;
};

}  // namespace ambrine
