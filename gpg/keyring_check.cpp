#include "gpg/keyring_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/fd.h"

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

struct PacketHeader {
  int tag = 0;
  std::uint64_t headerSize = 0;
  std::uint64_t bodySize = 0;
};

// Parses the header at the start of `bytes` (`available` of them). False
// for anything that is not a packet header with a definite length: a
// cleared high bit, tag 0, an old-format indeterminate length or a
// new-format partial length (key rings never use either).
bool ParseHeader(const unsigned char* bytes, std::size_t available, PacketHeader& header) {
  if (available < 2) return false;
  const unsigned char ctb = bytes[0];
  if ((ctb & 0x80) == 0) return false;
  if ((ctb & 0x40) != 0) {  // new format
    header.tag = ctb & 0x3F;
    const unsigned char first = bytes[1];
    if (first < 192) {
      header.headerSize = 2;
      header.bodySize = first;
    } else if (first < 224) {
      if (available < 3) return false;
      header.headerSize = 3;
      header.bodySize = ((static_cast<std::uint64_t>(first) - 192) << 8) + bytes[2] + 192;
    } else if (first == 255) {
      if (available < 6) return false;
      header.headerSize = 6;
      header.bodySize = (static_cast<std::uint64_t>(bytes[2]) << 24) |
                        (static_cast<std::uint64_t>(bytes[3]) << 16) |
                        (static_cast<std::uint64_t>(bytes[4]) << 8) | bytes[5];
    } else {
      return false;  // partial body length
    }
  } else {  // old format
    header.tag = (ctb >> 2) & 0x0F;
    const int lengthType = ctb & 0x03;
    if (lengthType == 3) return false;  // indeterminate length
    const std::size_t lengthBytes = lengthType == 0 ? 1 : lengthType == 1 ? 2 : 4;
    if (available < 1 + lengthBytes) return false;
    header.headerSize = 1 + lengthBytes;
    header.bodySize = 0;
    for (std::size_t i = 0; i < lengthBytes; ++i)
      header.bodySize = (header.bodySize << 8) | bytes[1 + i];
  }
  return header.tag != 0;
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
    if (!ParseHeader(bytes, static_cast<std::size_t>(got), header)) return false;
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
