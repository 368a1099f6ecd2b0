// Pipes and line reading, through real pipes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "gpg/pipe_io.h"

namespace ambrine {
namespace {

// A pipe holding `bytes`, its write end closed, so the reader sees the end.
Fd PipeWith(const std::string& bytes) {
  Fd read;
  Fd write;
  EXPECT_EQ(kOk, CreateInboundPipe(read, write));
  EXPECT_EQ(kOk, WritePipeString(write.get(), bytes));
  return read;
}

struct Line {
  std::string text;
  std::size_t consumed;
};

Line Next(const Fd& fd) {
  Line line{"unset", 99};
  EXPECT_EQ(kOk, ReadPipeLine(fd.get(), line.text, &line.consumed));
  return line;
}

TEST(ReadPipeLine, CrLfCountsFiveAndLfCountsFour) {
  Fd crlf = PipeWith("abc\r\n");
  Line line = Next(crlf);
  EXPECT_EQ("abc", line.text);
  EXPECT_EQ(5u, line.consumed);

  Fd lf = PipeWith("abc\n");
  line = Next(lf);
  EXPECT_EQ("abc", line.text);
  EXPECT_EQ(4u, line.consumed);
}

TEST(ReadPipeLine, CrSwallowsWhateverByteFollowsAndTakesNothingMore) {
  Fd fd = PipeWith("a\rXbc\n\n\rZ");
  Line line = Next(fd);
  EXPECT_EQ("a", line.text);
  EXPECT_EQ(3u, line.consumed);
  line = Next(fd);
  EXPECT_EQ("bc", line.text);
  EXPECT_EQ(3u, line.consumed);
  line = Next(fd);  // a real empty line
  EXPECT_EQ("", line.text);
  EXPECT_EQ(1u, line.consumed);
  line = Next(fd);
  EXPECT_EQ("", line.text);
  EXPECT_EQ(2u, line.consumed);
  line = Next(fd);  // nothing left
  EXPECT_EQ("", line.text);
  EXPECT_EQ(0u, line.consumed);
}

TEST(ReadPipeLine, EndOfDataEndsALastLineWithoutNewline) {
  Fd fd = PipeWith("tail");
  Line line = Next(fd);
  EXPECT_EQ("tail", line.text);
  EXPECT_EQ(4u, line.consumed);
  EXPECT_EQ(0u, Next(fd).consumed);

  Fd empty = PipeWith("");
  line = Next(empty);
  EXPECT_EQ("", line.text);
  EXPECT_EQ(0u, line.consumed);
}

TEST(ReadPipeLine, ReadsOnlyUpToTheLineEnd) {
  Fd read;
  Fd write;
  ASSERT_EQ(kOk, CreateInboundPipe(read, write));
  ASSERT_EQ(kOk, WritePipeString(write.get(), "one\ntwo\n"));
  EXPECT_EQ("one", Next(read).text);
  char rest[16] = {};
  // The second line is still in the pipe, untouched.
  EXPECT_EQ(4, ::read(read.get(), rest, sizeof rest));
  EXPECT_STREQ("two\n", rest);
}

TEST(ReadPipeLine, ABadDescriptorIsAFailure) {
  std::string line;
  std::size_t consumed = 7;
  EXPECT_EQ(ResultFromErrno(EBADF), ReadPipeLine(-1, line, &consumed));
  EXPECT_EQ(0u, consumed);
}

TEST(Pipes, BothProgramEndsAreCloseOnExec) {
  Fd parentRead, childWrite, parentWrite, childRead;
  ASSERT_EQ(kOk, CreateInboundPipe(parentRead, childWrite));
  ASSERT_EQ(kOk, CreateOutboundPipe(parentWrite, childRead));
  for (int fd : {parentRead.get(), childWrite.get(), parentWrite.get(), childRead.get()}) {
    EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC) << fd;
  }
  ASSERT_EQ(kOk, WritePipeString(parentWrite.get(), "x"));
  char c = 0;
  EXPECT_EQ(1, ::read(childRead.get(), &c, 1));
}

TEST(Pipes, WritingToAPipeWithoutReaderFailsWithEpipeInsteadOfKillingTheProgram) {
  Fd write;
  Fd read;
  ASSERT_EQ(kOk, CreateOutboundPipe(write, read));
  read.reset();
  EXPECT_EQ(ResultFromErrno(EPIPE), WritePipeString(write.get(), "lost"));
}

TEST(Pipes, LargeWritesArriveWhole) {
  Fd write;
  Fd read;
  ASSERT_EQ(kOk, CreateOutboundPipe(write, read));
  const std::string big(1 << 20, 'q');
  // A child process drains the pipe while the program writes more than it holds.
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    write.reset();
    std::size_t total = 0;
    char buffer[8192];
    for (ssize_t n; (n = ::read(read.get(), buffer, sizeof buffer)) > 0;) total += n;
    _exit(total == big.size() ? 0 : 1);
  }
  read.reset();
  EXPECT_EQ(kOk, WritePipeString(write.get(), big));
  write.reset();
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Utf8ToAnsi, KeepsValidUtf8AndReplacesBrokenBytes) {
  std::string out = "old";
  EXPECT_EQ(kOk, Utf8ToAnsi("鈴木 Émile \xF0\x9F\x94\x91", out));
  EXPECT_EQ("鈴木 Émile \xF0\x9F\x94\x91", out);
  EXPECT_EQ(kOk, Utf8ToAnsi("a\xFF" "b\xC3", out));
  EXPECT_EQ("a\xEF\xBF\xBD" "b\xEF\xBF\xBD", out);
  // Overlong forms and UTF-16 surrogates are not valid UTF-8.
  EXPECT_EQ(kOk, Utf8ToAnsi("\xC0\xAF\xED\xA0\x80", out));
  std::string fiveReplacements;
  for (int i = 0; i < 5; ++i) fiveReplacements += "\xEF\xBF\xBD";
  EXPECT_EQ(fiveReplacements, out);
  EXPECT_EQ(kOk, Utf8ToAnsi("", out));
  EXPECT_EQ("", out);
}

}  // namespace
}  // namespace ambrine
