// Pipes between the program and gpg, and whole-buffer reads and writes.
// The program's own ends are always close-on-exec; the child's ends are
// handed to GpgEngine, which gives them to gpg and closes them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/fd.h"
#include "base/result.h"

namespace ambrine {

// A pipe that the child writes (its output or its status lines) and the
// program reads.
Result CreateInboundPipe(Fd& parentRead, Fd& childWrite);
// A pipe that the program writes (gpg's input or its commands) and the
// child reads.
Result CreateOutboundPipe(Fd& parentWrite, Fd& childRead);

// Gives a pipe that carries a record's bytes (not status or command lines)
// a buffer of 1 MiB, the most an unprivileged process may ask for, so gpg
// on either end can run ahead of the program by that much. A pipe that
// cannot be widened (the user's pipe allowance is used up) keeps the
// default buffer and works as before.
void WidenPipe(int fd);

// Writes every byte, continuing after partial writes and EINTR.
Result WritePipeBytes(int fd, const void* bytes, std::size_t count);
Result WritePipeString(int fd, std::string_view text);

// Reads one line a byte at a time, so nothing after the line end is taken
// from the pipe. LF ends a line (counts 1); CR ends it and swallows the next
// byte (counts 2); end of data or EPIPE ends it with status 0. `consumed` is
// the number of bytes taken; 0 means the pipe had no more data.
Result ReadPipeLine(int fd, std::string& line, std::size_t* consumed);

// gpg prints UTF-8 and the program works in UTF-8: copies the text, turning
// bytes that are not valid UTF-8 into U+FFFD. Always returns 0.
Result Utf8ToAnsi(std::string_view text, std::string& out);

}  // namespace ambrine
