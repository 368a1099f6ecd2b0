// A new version of a file, written beside it under a temporary name and put
// in its place only when complete: a failed write never destroys the file
// that was there, and never leaves a partial one.
#pragma once

#include <string>

#include "base/fd.h"
#include "base/status.h"

namespace ambrine {

class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();  // removes the temporary file unless committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates ".<name>.XXXXXX" (owner-only) in the folder of `target`, open
  // for writing. The descriptor is close-on-exec; hand it on with TakeFd.
  Status Create(const std::string& target);

  const std::string& tempPath() const { return tempPath_; }
  Fd TakeFd() { return std::move(fd_); }

  // Gives the file the mode a newly created file would get (0666 less the
  // umask) instead of owner-only; for files the user asked to have in plain.
  Status UseDefaultMode();

  // Renames the temporary file over the target.
  Status Commit();

 private:
  std::string target_;
  std::string tempPath_;
  Fd fd_;
  bool committed_ = false;
};

}  // namespace ambrine
