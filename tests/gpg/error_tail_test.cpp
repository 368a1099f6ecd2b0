// gpg's standard error as the engine keeps it: the bounded tail, the line
// that tells why gpg failed, and the reading while gpg runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "gpg/error_tail.h"
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "standin.h"
#include "support/recording_report.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

// What gpg1 1.4 printed when the disk filled while it signed and encrypted
// from its standard input into its standard output.
constexpr const char* kFullDiskTranscript =
    "gpg: [stdout]: write error: No space left on device\n"
    "gpg: DBG: deflate: iobuf_write failed\n"
    "gpg: build_packet(PLAINTEXT) failed: file write error\n"
    "gpg: [stdout]: write error: No space left on device\n"
    "gpg: iobuf_flush failed on close: file write error\n"
    "gpg: [stdin]: sign+encrypt failed: file write error\n";

std::string LastLineOf(std::string_view bytes) {
  ErrorTail tail;
  tail.Append(bytes);
  return tail.LastLine();
}

TEST(ErrorTail, LongOutputKeepsOnlyItsEnd) {
  std::string all;
  for (int i = 0; i < 3000; ++i) all += "gpg: line " + std::to_string(i) + "\n";
  ErrorTail pieces;
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t n = std::min<std::size_t>(1 + at % 997, all.size() - at);
    pieces.Append(std::string_view(all).substr(at, n));
    at += n;
  }
  EXPECT_EQ(pieces.text(), all.substr(all.size() - ErrorTail::kLimit));
  EXPECT_TRUE(pieces.cut());
  EXPECT_EQ(pieces.LastLine(), "gpg: line 2999");

  // One block larger than the limit, then a little more.
  ErrorTail block;
  block.Append(std::string(10000, 'x') + "\ngpg: near the end\n");
  block.Append("gpg: the end\n");
  EXPECT_EQ(block.text().size(), ErrorTail::kLimit);
  EXPECT_TRUE(block.cut());
  EXPECT_EQ(block.LastLine(), "gpg: the end");

  // The line cut at the front is taken only when it is all there is.
  ErrorTail oneLongLine;
  oneLongLine.Append(std::string(6000, 'a') + "gpg-end");
  EXPECT_EQ(oneLongLine.LastLine(), std::string(ErrorTail::kLimit - 7, 'a') + "gpg-end");
  ErrorTail cutThenBlank;
  cutThenBlank.Append("gpg: whole line that was dropped\n" + std::string(5000, 'b') + "\n\n");
  EXPECT_EQ(cutThenBlank.LastLine(), "");
}

TEST(ErrorTail, EmptyOutputPartialLastLineAndLinesWithNothingToSay) {
  ErrorTail empty;
  EXPECT_EQ(empty.text(), "");
  EXPECT_FALSE(empty.cut());
  EXPECT_EQ(empty.LastLine(), "");
  EXPECT_EQ(LastLineOf("gpg: first\ngpg: cut off mid"), "gpg: cut off mid");
  EXPECT_EQ(LastLineOf("gpg: first\r\ngpg: second\r\n\r\n"), "gpg: second");
  EXPECT_EQ(LastLineOf("gpg: first\rgpg: second\r"), "gpg: second");
  // Blank lines, key generation's progress marks and debug notes.
  EXPECT_EQ(LastLineOf("gpg: said this\n  \r\n\t\n.+++++..>+++++<.+++++^^^\ngpg: DBG: x\n"),
            "gpg: said this");
  EXPECT_EQ(LastLineOf("\n.+++++\ngpg: DBG: x failed\n"), "");
  // Made fit for a message box: valid UTF-8, no control characters.
  EXPECT_EQ(LastLineOf("gpg: name \xFF\x07here\tand\x1B[31m\n"),
            "gpg: name \xEF\xBF\xBD here and [31m");
}

TEST(ErrorTail, TheSystemsReasonWinsOverGpgsGenericSummary) {
  EXPECT_EQ(LastLineOf(kFullDiskTranscript),
            "gpg: [stdout]: write error: No space left on device");
  EXPECT_EQ(LastLineOf("gpg: can't open `x': No such file or directory\n"
                       "gpg: symmetric encryption of `x' failed: file open error\n"),
            "gpg: can't open `x': No such file or directory");
  EXPECT_EQ(LastLineOf("gpg: no valid OpenPGP data found.\ngpg: decrypt_message failed: eof\n"),
            "gpg: no valid OpenPGP data found.");
  // An uncompressed file's short literal packet is a consequence too.
  EXPECT_EQ(LastLineOf("gpg: AMB1.TMP: write error: No space left on device\n"
                       "gpg: do_plaintext(): wrote 8000 bytes but expected 3145728 bytes\n"
                       "gpg: build_packet failed: file write error\n"),
            "gpg: AMB1.TMP: write error: No space left on device");
  // Alone, the summary is still better than nothing.
  EXPECT_EQ(LastLineOf("gpg: handle plaintext failed: file write error\n"),
            "gpg: handle plaintext failed: file write error");
  // A summary with a reason of its own is the line.
  EXPECT_EQ(LastLineOf("gpg: EEEE: skipped: public key not found\n"
                       "gpg: [stdin]: sign+encrypt failed: public key not found\n"),
            "gpg: [stdin]: sign+encrypt failed: public key not found");
}

// A stand-in gpg as a shell script, for what gpg1 cannot be made to do.
std::string WriteScript(const test::TempDir& dir, const std::string& body) {
  const std::string path = dir.File("gpg.sh");
  test::WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0700);
  return path;
}

// Finish is the one ending of a run: it judges the exit code and keeps
// gpg's line only when there is a failure to explain.
TEST(GpgEngineErrors, FinishJudgesTheExitAndKeepsTheLineOfAFailure) {
  test::TempDir dir;
  struct Case {
    const char* script;
    Result status;
    int exitCode;
    const char* errorLine;
  };
  const Case cases[] = {
      {"echo 'gpg: all is well' >&2\nexit 0\n", kOk, 0, ""},
      {"echo 'gpg: decryption failed: bad key' >&2\nexit 2\n", kFailure, 2,
       "gpg: decryption failed: bad key"},
      {"exit 1\n", kFailure, 1, ""},
      {"echo 'gpg: killed' >&2\nkill -9 $$\n", kFailure, 128 + SIGKILL, "gpg: killed"},
  };
  for (const Case& c : cases) {
    GpgEngine engine(WriteScript(dir, c.script), dir.path(), {}, {});
    engine.CaptureErrors();
    ASSERT_EQ(engine.Run({}, nullptr, Fd(), Fd()), kOk) << c.script;
    const GpgRunOutcome ended = engine.Finish();
    EXPECT_EQ(ended.status, c.status) << c.script;
    EXPECT_EQ(ended.exitCode, c.exitCode) << c.script;
    EXPECT_EQ(ended.refusedByGpg(), c.exitCode > 0) << c.script;
    EXPECT_EQ(ended.errorLine, c.errorLine) << c.script;
  }

  // Stopped through the wait hook: cancelled, and nothing gpg said counts.
  GpgEngine stopped(WriteScript(dir, "echo 'gpg: interrupted' >&2\nsleep 30\n"), dir.path(),
                    {}, {});
  stopped.CaptureErrors();
  ASSERT_EQ(stopped.Run({}, nullptr, Fd(), Fd()), kOk);
  stopped.SetWaitHook([] { return false; });
  const GpgRunOutcome cancelled = stopped.Finish();
  EXPECT_EQ(cancelled.status, kCancelled);
  EXPECT_EQ(cancelled.exitCode, -1);
  EXPECT_FALSE(cancelled.refusedByGpg());
  EXPECT_EQ(cancelled.errorLine, "");

  // Nothing was started: nothing to end.
  GpgEngine idle(WriteScript(dir, "exit 0\n"), dir.path(), {}, {});
  EXPECT_EQ(idle.Finish().status, kUnexpected);
}

// A report that also keeps gpg's lines.
class LineKeepingReport : public test::RecordingReport, public GpgLineListener {
 public:
  void OnGpgLine(const std::string& line) override { lines.push_back(line); }
  std::vector<std::string> lines;
};

TEST(GpgEngineErrors, ARunFailureIsReportedWithGpgsLineAndASuccessIsNot) {
  const ReportPoint point{"gpgtest", 7, "a test run"};
  GpgRunOutcome failed;
  failed.status = kFailure;
  failed.exitCode = 2;
  failed.errorLine = "gpg: decryption failed: bad key";
  LineKeepingReport report;
  EXPECT_EQ(ReportRunFailure(failed, report, point), kFailure);
  EXPECT_EQ(report.reports, (std::vector<test::Reported>{{kFailure, point}}));
  EXPECT_EQ(report.lines, std::vector<std::string>{"gpg: decryption failed: bad key"});

  GpgRunOutcome ended;
  ended.status = kOk;
  ended.exitCode = 0;
  LineKeepingReport quiet;
  EXPECT_EQ(ReportRunFailure(ended, quiet, point), kOk);
  EXPECT_TRUE(quiet.reports.empty());
  EXPECT_TRUE(quiet.lines.empty());
}

TEST(GpgEngineErrors, CapturingKeepsTheDescriptorLayout) {
  test::StandIn standIn;
  GpgEngine engine(standIn.Settings());
  engine.CaptureErrors();
  ASSERT_EQ(engine.Run({}, nullptr, Fd(), Fd()), kOk);
  ASSERT_EQ(engine.WaitForExit(nullptr), kOk);
  const auto record = standIn.Record();
  EXPECT_EQ(record.First("fds"), "0 1 2");
  EXPECT_EQ(record.First("fd0"), "/dev/null");
  EXPECT_EQ(record.First("fd2").rfind("pipe:", 0), 0u);
}

// gpg fills its error pipe many times over before it reads its input, while
// the program is busy writing that input and reading the output: unless the
// error pipe is read on its own, both sides wait for ever.
TEST(GpgEngineErrors, MuchErrorOutputNeverBlocksTheOtherPipes) {
  test::TempDir dir;
  const std::string script = WriteScript(
      dir, "head -c 1048576 /dev/zero | tr '\\000' e >&2\n"
           "printf '\\ngpg: done talking\\n' >&2\n"
           "cat\n"
           "exit 3\n");
  GpgEngine engine(script, dir.path(), {}, {});
  engine.CaptureErrors();
  Fd input, inputChild, output, outputChild;
  ASSERT_EQ(CreateOutboundPipe(input, inputChild), kOk);
  ASSERT_EQ(CreateInboundPipe(output, outputChild), kOk);
  engine.SetChildInput(std::move(inputChild));
  engine.SetChildOutput(std::move(outputChild));
  ASSERT_EQ(engine.Run({}, nullptr, Fd(), Fd()), kOk);

  const std::string sent(300000, 'm');
  std::thread writer([&] {
    EXPECT_EQ(WritePipeString(input.get(), sent), kOk);
    input.reset();
  });
  std::string received;
  char block[8192];
  for (ssize_t n; (n = ::read(output.get(), block, sizeof block)) > 0;) received.append(block, n);
  writer.join();
  const GpgRunOutcome ended = engine.Finish();
  EXPECT_EQ(ended.status, kFailure);
  EXPECT_EQ(ended.exitCode, 3);
  EXPECT_EQ(received.size(), sent.size());
  EXPECT_EQ(engine.errorTail().text().size(), ErrorTail::kLimit);
  EXPECT_EQ(ended.errorLine, "gpg: done talking");
}

// A process gpg started and left behind keeps the error pipe open; the wait
// for gpg must not turn into a wait for that process.
TEST(GpgEngineErrors, AProcessLeftHoldingThePipeDoesNotHoldUpTheWait) {
  test::TempDir dir;
  const std::string script = WriteScript(
      dir, "sleep 60 &\necho $! > '" + dir.File("left") + "'\necho 'gpg: gave up' >&2\nexit 2\n");
  GpgEngine engine(script, dir.path(), {}, {});
  engine.CaptureErrors();
  ASSERT_EQ(engine.Run({}, nullptr, Fd(), Fd()), kOk);
  const auto start = std::chrono::steady_clock::now();
  const GpgRunOutcome ended = engine.Finish();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(ended.exitCode, 2);
  EXPECT_EQ(ended.errorLine, "gpg: gave up");
  const int left = std::atoi(test::ReadFile(dir.File("left")).c_str());
  if (left > 0) ::kill(left, SIGKILL);
}

}  // namespace
}  // namespace ambrine
