#include "leaf_test_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <thread>

#include "gpg/pipe_io.h"

namespace ambrine::test {

Result PlainFileSource::Open(const AttachmentEntry& entry, Fd& content) {
  content.reset(::open(entry.tempPath.c_str(), O_RDONLY | O_CLOEXEC));
  return content ? kOk : LastErrorResult();
}

std::string WriteToString(LeafWriter& writer, Result* status) {
  Fd readEnd, writeEnd;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return {};
  readEnd.reset(fds[0]);
  writeEnd.reset(fds[1]);
  std::string bytes;
  std::thread reader([&] {
    char block[4096];
    ssize_t n;
    while ((n = ::read(readEnd.get(), block, sizeof block)) > 0) bytes.append(block, n);
  });
  Result result = writer.Write(writeEnd.get());
  writeEnd.reset();
  reader.join();
  if (status != nullptr) *status = result;
  return bytes;
}

std::string BoundaryOf(const std::string& message) {
  const std::string key = "boundary=\"";
  std::size_t start = message.find(key);
  if (start == std::string::npos) return {};
  start += key.size();
  return message.substr(start, message.find('"', start) - start);
}

}  // namespace ambrine::test
