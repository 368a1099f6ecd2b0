#include "gpg/pipe_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "gpg/child_process.h"

namespace ambrine {

namespace {

Status CreatePipe(Fd& readEnd, Fd& writeEnd) {
  readEnd.reset();
  writeEnd.reset();
  IgnoreBrokenPipeSignal();
  int ends[2];
  // Both ends close-on-exec: the child's end reaches gpg only through the
  // descriptor mapping of the spawn, never by plain inheritance.
  if (::pipe2(ends, O_CLOEXEC) != 0) return LastErrorStatus();
  readEnd.reset(ends[0]);
  writeEnd.reset(ends[1]);
  return kOk;
}

// Reads one byte: 1 when read, 0 at end of data (EPIPE counts as end),
// negative status on failure.
Status ReadByte(int fd, char* byte, bool* gotByte) {
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
    return LastErrorStatus();
  }
}

// Length of the valid UTF-8 sequence at text[i], or 0 when it is not valid.
std::size_t ValidUtf8Length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length;
  char32_t code;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

Status CreateInboundPipe(Fd& parentRead, Fd& childWrite) {
  return CreatePipe(parentRead, childWrite);
}

Status CreateOutboundPipe(Fd& parentWrite, Fd& childRead) {
  return CreatePipe(childRead, parentWrite);
}

void WidenPipe(int fd) {
  constexpr int kWideBuffer = 1 << 20;
  (void)::fcntl(fd, F_SETPIPE_SZ, kWideBuffer);
}

Status WritePipeBytes(int fd, const void* bytes, std::size_t count) {
  IgnoreBrokenPipeSignal();
  const char* p = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t n = ::write(fd, p, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return LastErrorStatus();
    }
    p += n;
    count -= static_cast<std::size_t>(n);
  }
  return kOk;
}

Status WritePipeString(int fd, std::string_view text) {
  return WritePipeBytes(fd, text.data(), text.size());
}

Status ReadPipeLine(int fd, std::string& line, std::size_t* consumed) {
  line.clear();
  std::size_t count = 0;
  Status status = kOk;
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

Status Utf8ToAnsi(std::string_view text, std::string& out) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = ValidUtf8Length(text, i);
    if (length == 0) {
      result += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid sequence
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
