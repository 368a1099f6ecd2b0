// A really full disk for tests: a small tmpfs mounted on a folder for the
// life of the object (needs the right to mount; tests skip without it).
#pragma once

#include <string>

namespace ambrine::test {

class SmallDisk {
 public:
  // Mounts a tmpfs of `size` (as mount's "size=" takes it) on `folder`.
  SmallDisk(std::string folder, const char* size = "64k");
  ~SmallDisk();  // unmounts
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  // Empty when mounted; else why not, for the test's skip message.
  const std::string& failure() const { return failure_; }
  const std::string& path() const { return folder_; }

  // Fills what room is left with a file of its own; false unless the disk
  // then reports ENOSPC.
  bool Fill() const;

 private:
  std::string folder_;
  std::string failure_;
};

}  // namespace ambrine::test
