#include "leaf/wiped_bytes.h"

#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "base/secure_wipe.h"

namespace ambrine {

void WipedBytes::Reserve(std::size_t count) {
  if (count <= bytes_.capacity()) return;
  std::string grown;
  grown.reserve(count);
  grown.append(bytes_);
  SecureWipe(bytes_);
  bytes_.swap(grown);
}

void WipedBytes::Append(const char* bytes, std::size_t count) { AppendWiping(bytes_, bytes, count); }

void WipedBytes::Release() {
  SecureWipe(bytes_);
  // An empty string of its own frees the capacity; shrink_to_fit may not.
  std::string().swap(bytes_);
}

PipeReadEnd ReadPipeInto(int fd, WipedBytes& bytes, std::size_t limit,
                         OperationProgress* progress) {
  std::array<char, 64 * 1024> block;
  PipeReadEnd end = PipeReadEnd::Whole;
  for (;;) {
    if (CancelRequested(progress)) {
      end = PipeReadEnd::Cancelled;
      break;
    }
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, 100);
    if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
    if (polled < 0) {
      end = PipeReadEnd::Failed;
      break;
    }
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) {
      end = PipeReadEnd::Failed;
      break;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > limit) {
      end = PipeReadEnd::TooLarge;
      break;
    }
    bytes.Append(block.data(), static_cast<std::size_t>(n));
    if (progress) progress->SetDone(bytes.size());
  }
  SecureWipe(block.data(), block.size());
  return end;
}

}  // namespace ambrine
