// Starting, waiting for and stopping gpg: descriptors, exit codes, failures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "standin.h"

namespace ambrine {
namespace {

using test::StandIn;

// True when the pipe's other end is closed and nothing is buffered.
bool AtEnd(const Fd& read) {
  std::string line;
  std::size_t consumed = 1;
  return Succeeded(ReadPipeLine(read.get(), line, &consumed)) && consumed == 0;
}

TEST(Run, AMissingProgramFailsAtOnceAndClosesEveryChildEnd) {
  GpgEngine engine("/nonexistent/bin/gpg", "/tmp", {}, {});
  Fd statusRead, statusChild, outputRead, outputChild, commandWrite, commandChild;
  ASSERT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
  ASSERT_EQ(kOk, CreateInboundPipe(outputRead, outputChild));
  ASSERT_EQ(kOk, CreateOutboundPipe(commandWrite, commandChild));
  engine.SetChildOutput(std::move(outputChild));
  EXPECT_EQ(ResultFromErrno(ENOENT),
            engine.Run({"--decrypt"}, "pw", std::move(statusChild), std::move(commandChild)));
  EXPECT_EQ(-1, engine.pid());
  // No child end is left open in the program: readers see the end, the
  // writer finds no reader. Nothing blocks.
  EXPECT_TRUE(AtEnd(statusRead));
  EXPECT_TRUE(AtEnd(outputRead));
  EXPECT_EQ(ResultFromErrno(EPIPE), WritePipeString(commandWrite.get(), "y\n"));
  EXPECT_EQ(kUnexpected, engine.WaitForExit(nullptr));

  GpgEngine fileEngine("/nonexistent/bin/gpg", "/tmp", {}, {});
  const GpgRunOutcome notStarted = fileEngine.DecryptFile("/a", "/b", false, "x");
  EXPECT_EQ(ResultFromErrno(ENOENT), notStarted.status);
  EXPECT_EQ(-1, notStarted.exitCode);
  EXPECT_FALSE(notStarted.refusedByGpg());
  GpgEngine keyEngine("/nonexistent/bin/gpg", "/tmp", {}, {});
  EXPECT_EQ(ResultFromErrno(ENOENT), keyEngine.DeleteKey("AB", nullptr));
}

TEST(Run, AProgramThatCannotBeExecutedFailsTheRun) {
  StandIn standIn;
  GpgEngine engine(standIn.dir().path(), "/tmp", {}, {});  // a folder
  EXPECT_EQ(ResultFromErrno(EACCES), engine.Run({}, nullptr, Fd(), Fd()));
}

TEST(WaitForExit, ReportsExitCodesAndSignals) {
  {
    StandIn standIn("exit 3\n");
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({}, nullptr, Fd(), Fd()));
    EXPECT_GT(engine.pid(), 0);
    int code = -1;
    ASSERT_EQ(kOk, engine.WaitForExit(&code));
    EXPECT_EQ(3, code);
    EXPECT_EQ(-1, engine.pid());
  }
  {
    StandIn standIn("kill\n");
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({}, nullptr, Fd(), Fd()));
    int code = -1;
    ASSERT_EQ(kOk, engine.WaitForExit(&code));
    EXPECT_EQ(128 + SIGKILL, code);
  }
  {
    StandIn standIn("exit 2\n");
    GpgEngine engine(standIn.Settings());
    EXPECT_EQ(kFailure, engine.ImportKeys("/k", nullptr));
  }
}

TEST(Run, PassphraseTravelsThroughItsOwnPipe) {
  StandIn standIn;
  {
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({"--x"}, "pass phrase\n\"日本\"", Fd(), Fd()));
    ASSERT_EQ(kOk, engine.WaitForExit(nullptr));
    EXPECT_EQ("pass phrase\n\"日本\"", standIn.Record().First("passphrase"));
    EXPECT_EQ("0 1 2 3", standIn.Record().First("fds"));
  }
  {
    GpgEngine engine(standIn.Settings());  // empty: the pipe exists and is empty
    ASSERT_EQ(kOk, engine.Run({"--x"}, "", Fd(), Fd()));
    ASSERT_EQ(kOk, engine.WaitForExit(nullptr));
    const auto record = standIn.Record();
    EXPECT_TRUE(record.Has("passphrase"));
    EXPECT_EQ("", record.First("passphrase"));
    EXPECT_EQ(standIn.ExpectedArgv({"--passphrase-fd=3", "--x"}), record.argv);
  }
  {
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({"--x"}, nullptr, Fd(), Fd()));
    ASSERT_EQ(kOk, engine.WaitForExit(nullptr));
    EXPECT_FALSE(standIn.Record().Has("passphrase"));
  }
}

TEST(Run, TheChildGetsOnlyTheDescriptorsOfTheOperation) {
  // Descriptors the program holds without close-on-exec must not reach gpg.
  Fd leaky1(::dup(STDERR_FILENO));
  Fd leaky2(::open("/dev/null", O_RDONLY));
  Fd leaky3(::fcntl(STDERR_FILENO, F_DUPFD, 3));
  ASSERT_TRUE(leaky1 && leaky2 && leaky3);
  StandIn standIn;

  auto openFds = [&](bool passphrase, bool command, bool status) {
    GpgEngine engine(standIn.Settings());
    Fd statusRead, statusChild, commandWrite, commandChild;
    if (status) {
      EXPECT_EQ(kOk, CreateInboundPipe(statusRead, statusChild));
    }
    if (command) {
      EXPECT_EQ(kOk, CreateOutboundPipe(commandWrite, commandChild));
    }
    EXPECT_EQ(kOk, engine.Run({}, passphrase ? "p" : nullptr, std::move(statusChild),
                              std::move(commandChild)));
    EXPECT_EQ(kOk, engine.WaitForExit(nullptr));
    return standIn.Record().First("fds");
  };
  EXPECT_EQ("0 1 2", openFds(false, false, false));
  EXPECT_EQ("0 1 2 3 4 5", openFds(true, true, true));
  EXPECT_EQ("0 1 2 5", openFds(false, false, true));
  EXPECT_EQ("0 1 2 4", openFds(false, true, false));
  EXPECT_EQ("0 1 2 3 5", openFds(true, false, true));
}

TEST(Run, StandardDescriptorsAreTheChildEndsOrTheNullDevice) {
  StandIn standIn("stdin-all\nstdout to output\n");
  {
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({}, nullptr, Fd(), Fd()));
    ASSERT_EQ(kOk, engine.WaitForExit(nullptr));
    const auto record = standIn.Record();
    EXPECT_EQ("/dev/null", record.First("fd0"));
    EXPECT_EQ("/dev/null", record.First("fd1"));
    EXPECT_EQ("/dev/null", record.First("fd2"));
    EXPECT_EQ("", record.First("stdin"));
  }
  {
    GpgEngine engine(standIn.Settings());
    Fd inWrite, inChild, outRead, outChild, errRead, errChild;
    ASSERT_EQ(kOk, CreateOutboundPipe(inWrite, inChild));
    ASSERT_EQ(kOk, CreateInboundPipe(outRead, outChild));
    ASSERT_EQ(kOk, CreateInboundPipe(errRead, errChild));
    engine.SetChildInput(std::move(inChild));
    engine.SetChildOutput(std::move(outChild));
    engine.SetChildError(std::move(errChild));
    ASSERT_EQ(kOk, engine.Run({}, nullptr, Fd(), Fd()));
    ASSERT_EQ(kOk, WritePipeString(inWrite.get(), "input bytes"));
    inWrite.reset();
    std::string line;
    std::size_t consumed = 0;
    ASSERT_EQ(kOk, ReadPipeLine(outRead.get(), line, &consumed));
    EXPECT_EQ("to output", line);
    EXPECT_TRUE(AtEnd(outRead));
    ASSERT_EQ(kOk, engine.WaitForExit(nullptr));
    const auto record = standIn.Record();
    EXPECT_EQ("input bytes", record.First("stdin"));
    EXPECT_EQ(0u, record.First("fd2").rfind("pipe:", 0));
  }
}

TEST(GpgEngine, DestroyingItStopsAndReapsAProcessNeverWaitedFor) {
  StandIn standIn("command-all\n");  // blocks until its command input ends
  Fd commandWrite, commandChild;
  ASSERT_EQ(kOk, CreateOutboundPipe(commandWrite, commandChild));
  pid_t pid = -1;
  {
    GpgEngine engine(standIn.Settings());
    ASSERT_EQ(kOk, engine.Run({}, nullptr, Fd(), std::move(commandChild)));
    pid = engine.pid();
  }
  // Already reaped: no zombie is left to wait for.
  int status = 0;
  errno = 0;
  EXPECT_EQ(-1, ::waitpid(pid, &status, WNOHANG));
  EXPECT_EQ(ECHILD, errno);
}

}  // namespace
}  // namespace ambrine
