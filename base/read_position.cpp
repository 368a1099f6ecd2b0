#include "base/read_position.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ambrine {

ReadPosition::ReadPosition(int fd) {
  watch_.reset(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
  struct stat info {};
  if (watch_ && ::fstat(watch_.get(), &info) == 0 && info.st_size > 0) {
    size_ = static_cast<std::uint64_t>(info.st_size);
  }
}

std::uint64_t ReadPosition::Offset() const {
  if (!watch_) return 0;
  const off_t at = ::lseek(watch_.get(), 0, SEEK_CUR);
  return at > 0 ? static_cast<std::uint64_t>(at) : 0;
}

}  // namespace ambrine
