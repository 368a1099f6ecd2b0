#include "gpg/keyring_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/fd.h"
#include "gpg/pipe_io.h"

namespace ambrine {

bool KeyringHasKeys(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

Result AppendKeyringFile(const std::string& from, const std::string& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in) return LastErrorResult();
  Fd out(::open(to.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
  if (!out) return LastErrorResult();
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrorResult();
    }
    if (Result s = WritePipeBytes(out.get(), buffer, static_cast<std::size_t>(n)); Failed(s)) {
      return s;
    }
  }
  if (::close(out.release()) != 0) return LastErrorResult();
  return kOk;
}

}  // namespace ambrine
