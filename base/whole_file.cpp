#include "base/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/fd.h"
#include "base/secure_wipe.h"

namespace ambrine {

Result ReadWholeFile(const std::string& path, std::string& bytes) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return LastErrorResult();
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n > 0) {
      bytes.append(chunk, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      const Result status = n < 0 ? LastErrorResult() : kOk;
      // The file may hold a secret (a passphrase, a record).
      SecureWipe(chunk, sizeof chunk);
      return status;
    }
  }
}

}  // namespace ambrine
