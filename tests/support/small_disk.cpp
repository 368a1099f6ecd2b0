#include "support/small_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ambrine::test {

SmallDisk::SmallDisk(std::string folder, const char* size) : folder_(std::move(folder)) {
  const std::string options = std::string("size=") + size;
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    failure_ = std::string("no tmpfs could be mounted: ") + std::strerror(errno);
  }
}

SmallDisk::~SmallDisk() {
  if (failure_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
}

bool SmallDisk::Fill() const {
  const int fd = ::open((folder_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string block(4096, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  const bool full = errno == ENOSPC;
  ::close(fd);
  return full;
}

}  // namespace ambrine::test
