#include "gpg/keyring_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/fd.h"
#include "gpg/openpgp_packet.h"

namespace ambrine {

namespace {

constexpr int kPublicKeyTag = 6;

// Reads up to `size` bytes at `offset`; the count read, or -1 on an error.
ssize_t ReadAt(int fd, unsigned char* buffer, std::size_t size, std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, buffer + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace

bool IsPublicKeyringFile(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) return false;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) return false;
  const auto size = static_cast<std::uint64_t>(info.st_size);

  // Walks the headers only: a large file that is not a key ring is turned
  // down at its first packet, and a key ring is a few kilobytes a key.
  std::uint64_t offset = 0;
  bool first = true;
  while (offset < size) {
    unsigned char bytes[7];
    const ssize_t got = ReadAt(fd.get(), bytes, sizeof bytes, offset);
    if (got <= 0) return false;
    PacketHeader header;
    if (!ParsePacketHeader(bytes, static_cast<std::size_t>(got), header)) return false;
    if (header.bodySize > size - offset - header.headerSize) return false;  // runs past the end
    if (first) {
      if (header.tag != kPublicKeyTag || header.bodySize == 0) return false;
      // The version byte follows the header; gpg1 reads versions 2 to 4.
      const std::uint64_t versionAt = offset + header.headerSize;
      unsigned char version = 0;
      if (versionAt < offset + static_cast<std::uint64_t>(got)) {
        version = bytes[versionAt - offset];
      } else if (ReadAt(fd.get(), &version, 1, versionAt) != 1) {
        return false;
      }
      if (version < 2 || version > 4) return false;
      first = false;
    }
    offset += header.headerSize + header.bodySize;
  }
  return true;
}

}  // namespace ambrine
