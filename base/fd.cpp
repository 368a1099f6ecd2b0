#include "base/fd.h"

#include <unistd.h>

namespace ambrine {

void Fd::reset(int fd) {
  int old = std::exchange(fd_, fd);
  // close() is not retried on EINTR: on Linux the descriptor is gone anyway.
  if (old >= 0) ::close(old);
}

}  // namespace ambrine
