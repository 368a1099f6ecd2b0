#include "gpg/status_drain.h"

#include <errno.h>
#include <unistd.h>

namespace ambrine {

StatusDrain::~StatusDrain() { Join(); }

void StatusDrain::Start(Fd status) {
  thread_ = std::thread([fd = std::move(status)]() {
    char buffer[512];
    for (;;) {
      const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
      if (n > 0) continue;
      if (n < 0 && errno == EINTR) continue;
      return;
    }
  });
}

void StatusDrain::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace ambrine
