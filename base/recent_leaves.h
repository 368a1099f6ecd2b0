// The leaves the user opened or saved last, newest first, at most eight,
// kept in a file of their own (owner-only, one absolute path a line) in the
// conf folder so the File menu can offer them again after a restart.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/result.h"

namespace ambrine {

class RecentLeaves {
 public:
  static constexpr std::size_t kMaxEntries = 8;

  // The list kept in `listPath`; the file is read by Load and written by
  // every change.
  explicit RecentLeaves(std::string listPath) : listPath_(std::move(listPath)) {}

  // Reads the list; a missing or unreadable file gives an empty list. Lines
  // that are not absolute paths are dropped, as are repeats and lines past
  // the eighth.
  void Load();
  // Puts `path` first (moving it up when it is listed) and writes the list.
  // A path that is not absolute or holds a line break is not kept.
  Result Add(const std::string& path);
  // Takes `path` out of the list and writes it.
  Result Remove(const std::string& path);

  const std::vector<std::string>& paths() const { return paths_; }

 private:
  // Writes the list to a new owner-only file that replaces the old one.
  Result Write() const;

  std::string listPath_;
  std::vector<std::string> paths_;
};

}  // namespace ambrine
