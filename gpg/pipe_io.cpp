#include "gpg/pipe_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "base/utf8.h"
#include "gpg/child_process.h"

namespace ambrine {

namespace {

Result CreatePipe(Fd& readEnd, Fd& writeEnd) {
  readEnd.reset();
  writeEnd.reset();
  IgnoreBrokenPipeSignal();
  int ends[2];
  // Both ends close-on-exec: the child's end reaches gpg only through the
  // descriptor mapping of the spawn, never by plain inheritance.
  if (::pipe2(ends, O_CLOEXEC) != 0) return LastErrorResult();
  readEnd.reset(ends[0]);
  writeEnd.reset(ends[1]);
  return kOk;
}

// Reads one byte: 1 when read, 0 at end of data (EPIPE counts as end),
// negative status on failure.
Result ReadByte(int fd, char* byte, bool* gotByte) {
  for (;;) {
    const ssize_t n = ::read(fd, byte, 1);
    if (n == 1) {
      *gotByte = true;
      return kOk;
    }
    if (n == 0) {
      *gotByte = false;
      return kOk;
    }
    if (errno == EINTR) continue;
    *gotByte = false;
    if (errno == EPIPE) return kOk;
    return LastErrorResult();
  }
}

}  // namespace

Result CreateInboundPipe(Fd& parentRead, Fd& childWrite) {
  return CreatePipe(parentRead, childWrite);
}

Result CreateOutboundPipe(Fd& parentWrite, Fd& childRead) {
  return CreatePipe(childRead, parentWrite);
}

void WidenPipe(int fd) {
  constexpr int kWideBuffer = 1 << 20;
  (void)::fcntl(fd, F_SETPIPE_SZ, kWideBuffer);
}

Result WritePipeBytes(int fd, const void* bytes, std::size_t count) {
  IgnoreBrokenPipeSignal();
  const char* p = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t n = ::write(fd, p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrorResult();
    }
    p += n;
    count -= static_cast<std::size_t>(n);
  }
  return kOk;
}

Result WritePipeString(int fd, std::string_view text) {
  return WritePipeBytes(fd, text.data(), text.size());
}

Result ReadPipeLine(int fd, std::string& line, std::size_t* consumed) {
  line.clear();
  std::size_t count = 0;
  Result status = kOk;
  for (;;) {
    char c;
    bool got = false;
    status = ReadByte(fd, &c, &got);
    if (Failed(status) || !got) break;
    if (c == '\n') {
      count += 1;
      break;
    }
    if (c == '\r') {
      // CR ends the line and takes the byte after it (normally LF) along.
      count += 2;
      status = ReadByte(fd, &c, &got);
      break;
    }
    line += c;
    count += 1;
  }
  if (consumed) *consumed = count;
  return status;
}

Result Utf8ToAnsi(std::string_view text, std::string& out) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceAt(text, i);
    if (length == 0) {
      AppendUtf8(result, kReplacementCharacter);  // a byte that starts no valid sequence
      i += 1;
    } else {
      result.append(text.substr(i, length));
      i += length;
    }
  }
  out = std::move(result);
  return kOk;
}

}  // namespace ambrine
