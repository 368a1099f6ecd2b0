// The status driver over real pipes: a test plays gpg's side, writing status
// lines into one pipe and reading the answers out of the other.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "gpg/pipe_io.h"
#include "gpg/status_driver.h"

namespace ambrine {
namespace {

// Both pipes of a conversation. The pipes are made by pipe_io, which also
// sets SIGPIPE aside, so writing to a command pipe whose reader is gone
// fails with EPIPE instead of ending the test program.
struct Channels {
  Fd statusRead, statusWrite;    // gpg writes status lines, the driver reads
  Fd commandWrite, commandRead;  // the driver answers, gpg reads
  Channels() {
    EXPECT_EQ(kOk, CreateInboundPipe(statusRead, statusWrite));
    EXPECT_EQ(kOk, CreateOutboundPipe(commandWrite, commandRead));
    // gpg's side of the command pipe is read without waiting.
    const int flags = ::fcntl(commandRead.get(), F_GETFL);
    EXPECT_EQ(0, ::fcntl(commandRead.get(), F_SETFL, flags | O_NONBLOCK));
  }
  // Writes the status lines and, unless `keepOpen`, ends the status output.
  void Say(const std::string& bytes, bool keepOpen = false) {
    EXPECT_EQ(kOk, WritePipeString(statusWrite.get(), bytes));
    if (!keepOpen) statusWrite.reset();
  }
};

// What gpg would read from its command input now.
struct CommandInput {
  std::string bytes;
  bool ended = false;  // the writing end is closed: gpg reads end of input
};

CommandInput ReadCommands(const Fd& commandRead) {
  CommandInput input;
  char block[256];
  for (;;) {
    const ssize_t n = ::read(commandRead.get(), block, sizeof block);
    if (n > 0) {
      input.bytes.append(block, static_cast<std::size_t>(n));
    } else if (n == 0) {
      input.ended = true;
      return input;
    } else if (errno != EINTR) {
      EXPECT_EQ(EAGAIN, errno);  // still open, nothing more written
      return input;
    }
  }
}

// Everything still in the status pipe (its writing end must be closed).
std::string Rest(const Fd& statusRead) {
  std::string rest;
  char block[256];
  for (ssize_t n; (n = ::read(statusRead.get(), block, sizeof block)) > 0;) {
    rest.append(block, static_cast<std::size_t>(n));
  }
  return rest;
}

// Notes every line it is handed and reacts as `react` says (by default it
// answers nothing and reads on).
class Handler : public StatusHandler {
 public:
  using React = std::function<StatusAction(const StatusLine&, CommandWriter&)>;
  Handler() = default;
  explicit Handler(React react) : react_(std::move(react)) {}

  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override {
    lines.emplace_back(line.text);
    kinds.push_back(line.kind);
    return react_ ? react_(line, command) : StatusAction::Continue;
  }

  std::vector<std::string> lines;
  std::vector<StatusKeyword> kinds;

 private:
  React react_;
};

using Lines = std::vector<std::string>;

TEST(StatusDriver, AQuestionLeftUnansweredEndsTheCommandInput) {
  for (const char* question : {"GET_LINE keyedit.prompt", "GET_HIDDEN passphrase.enter",
                               "GET_BOOL openfile.overwrite.okay"}) {
    SCOPED_TRACE(question);
    Channels c;
    c.Say("[GNUPG:] NEED_PASSPHRASE_SYM 3 3 2\n[GNUPG:] " + std::string(question) +
          "\n[GNUPG:] PROGRESS x\n");
    Handler handler;
    StatusDriver driver(c.statusRead, c.commandWrite);
    const StatusRunResult result = driver.Run(handler);
    EXPECT_EQ(StatusEnd::EndOfData, result.end);
    EXPECT_EQ(kOk, result.status);
    // The driver reads on after closing: the handler sees the last line too.
    EXPECT_EQ(3u, handler.lines.size());
    EXPECT_FALSE(c.commandWrite.valid());
    const CommandInput input = ReadCommands(c.commandRead);
    EXPECT_TRUE(input.ended);
    EXPECT_EQ("", input.bytes);
  }

  // Lines that ask nothing need no answer, also in push mode, and a
  // keyword that only looks like a question is none.
  Channels c;
  Handler handler;
  StatusDriver driver(c.statusRead, c.commandWrite);
  EXPECT_EQ(StatusAction::Continue,
            driver.Feed("[GNUPG:] NEED_PASSPHRASE 1 2 17 0\n[GNUPG:] BEGIN_ENCRYPTION 2 9\n"
                        "gpg: GET_LINE\n[GNUPG:] get_line x\n[GNUPG:] GET_LINES x\n",
                        handler));
  EXPECT_EQ(5u, handler.lines.size());
  EXPECT_TRUE(c.commandWrite.valid());
  EXPECT_FALSE(ReadCommands(c.commandRead).ended);

  // Pushed in, an unanswered question closes the command input just the same.
  EXPECT_EQ(StatusAction::Continue, driver.Feed("[GNUPG:] GET_BOOL x\n", handler));
  EXPECT_FALSE(c.commandWrite.valid());
  EXPECT_TRUE(ReadCommands(c.commandRead).ended);
}

TEST(StatusDriver, AnsweredQuestionsKeepTheInputOpenAndTheAnswersArriveInOrder) {
  Channels c;
  c.Say(
      "[GNUPG:] GET_HIDDEN passphrase.enter\n"
      "[GNUPG:] GET_BOOL openfile.overwrite.okay\n"
      "[GNUPG:] USERID_HINT 1234 Alice\n"  // the answer to the next question goes early
      "[GNUPG:] GET_LINE keyedit.prompt\n"
      "[GNUPG:] GET_HIDDEN passphrase.enter\n");
  std::string secret = "s3cret pass";
  Result secretWrite = kFailure;
  int failedWrite = -1;
  int hiddenAsked = 0;
  Handler handler([&](const StatusLine& line, CommandWriter& command) {
    const std::string_view argument = line.arguments;
    if (line.kind == StatusKeyword::GetHidden && ++hiddenAsked == 1) {
      secretWrite = command.WriteSecretLine(secret, &failedWrite);
    } else if (line.kind == StatusKeyword::GetBool) {
      EXPECT_EQ(kOk, command.Write("Y\n"));
    } else if (line.keyword == "USERID_HINT") {
      EXPECT_EQ(kOk, command.Write("early\n"));
    } else if (argument == "keyedit.prompt") {
      command.AnswerAlreadyWaiting();
    } else {
      EXPECT_EQ(kOk, command.Write("last\n"));
    }
    return StatusAction::Continue;
  });
  StatusDriver driver(c.statusRead, c.commandWrite);
  EXPECT_EQ(StatusEnd::EndOfData, driver.Run(handler).end);
  EXPECT_EQ(5u, handler.lines.size());
  EXPECT_EQ(kOk, secretWrite);
  EXPECT_EQ(0, failedWrite);
  EXPECT_EQ("", secret);  // wiped once written
  EXPECT_TRUE(c.commandWrite.valid());
  const CommandInput input = ReadCommands(c.commandRead);
  EXPECT_FALSE(input.ended);
  EXPECT_EQ("s3cret pass\nY\nearly\nlast\n", input.bytes);

  // An answer written before a question counts only when the handler says
  // so: the previous question's answer does not carry over either.
  Channels d;
  d.Say("[GNUPG:] GET_BOOL a\n[GNUPG:] PROGRESS x\n[GNUPG:] GET_LINE b\n[GNUPG:] PROGRESS y\n");
  Result late = kOk;
  Handler forgetful([&](const StatusLine& line, CommandWriter& command) {
    if (line.kind == StatusKeyword::GetBool) {
      EXPECT_EQ(kOk, command.Write("N\n"));
    }
    if (line.arguments == "x") {
      EXPECT_EQ(kOk, command.Write("meant for b\n"));
    }
    if (line.arguments == "y") {
      EXPECT_FALSE(command.open());
      late = command.Write("too late\n");
    }
    return StatusAction::Continue;
  });
  StatusDriver second(d.statusRead, d.commandWrite);
  EXPECT_EQ(StatusEnd::EndOfData, second.Run(forgetful).end);
  EXPECT_EQ(4u, forgetful.lines.size());
  EXPECT_FALSE(d.commandWrite.valid());
  EXPECT_EQ(kUnexpected, late);  // writing after the close changes nothing
  const CommandInput ended = ReadCommands(d.commandRead);
  EXPECT_TRUE(ended.ended);
  EXPECT_EQ("N\nmeant for b\n", ended.bytes);
}

TEST(StatusDriver, RunSplitsLinesAtLfAndCrAndEndsAsTheDataOrTheHandlerSays) {
  // LF ends a line; CR ends it and takes whatever byte follows; a last line
  // without an end is handed on when the data ends.
  Channels c;
  c.Say("[GNUPG:] BEGIN_SIGNING\r\nb\rXc\n\n\r\rlast");
  Handler handler;
  StatusDriver driver(c.statusRead, c.commandWrite);
  const StatusRunResult result = driver.Run(handler);
  EXPECT_EQ(StatusEnd::EndOfData, result.end);
  EXPECT_EQ(kOk, result.status);
  EXPECT_EQ((Lines{"[GNUPG:] BEGIN_SIGNING", "b", "c", "", "", "last"}), handler.lines);
  EXPECT_EQ(StatusKeyword::BeginSigning, handler.kinds[0]);

  // No data at all: no line.
  Channels empty;
  empty.Say("");
  Handler none;
  EXPECT_EQ(StatusEnd::EndOfData, StatusDriver(empty.statusRead, empty.commandWrite).Run(none).end);
  EXPECT_TRUE(none.lines.empty());

  // Stop ends the run at once; the lines after it stay in the pipe for
  // whoever reads on, down to the byte after the CR LF.
  Channels s;
  s.Say("[GNUPG:] PROGRESS a\n[GNUPG:] DECRYPTION_OKAY\r\n[GNUPG:] GOODSIG 1 A\nplain\n");
  Handler stopper([](const StatusLine& line, CommandWriter&) {
    return line.kind == StatusKeyword::DecryptionOkay ? StatusAction::Stop
                                                      : StatusAction::Continue;
  });
  const StatusRunResult stopped = StatusDriver(s.statusRead, s.commandWrite).Run(stopper);
  EXPECT_EQ(StatusEnd::Stopped, stopped.end);
  EXPECT_EQ(kOk, stopped.status);
  EXPECT_EQ((Lines{"[GNUPG:] PROGRESS a", "[GNUPG:] DECRYPTION_OKAY"}), stopper.lines);
  EXPECT_EQ("[GNUPG:] GOODSIG 1 A\nplain\n", Rest(s.statusRead));
  EXPECT_TRUE(s.commandWrite.valid());

  // A status channel that cannot be read is a failure, not the end of data.
  Fd noStatus;
  Fd noCommand;
  Handler unread;
  const StatusRunResult failed = StatusDriver(noStatus, noCommand).Run(unread);
  EXPECT_EQ(StatusEnd::ReadFailed, failed.end);
  EXPECT_EQ(ResultFromErrno(EBADF), failed.status);
  EXPECT_TRUE(unread.lines.empty());
}

TEST(StatusDriver, FeedJoinsLinesSplitAcrossCallsAndFinishHandsOnTheLastOne) {
  Channels c;
  Handler handler([](const StatusLine& line, CommandWriter& command) {
    if (line.kind == StatusKeyword::GetLine) {
      EXPECT_EQ(kOk, command.Write("answer\n"));
    }
    return StatusAction::Continue;
  });
  StatusDriver driver(c.statusRead, c.commandWrite);
  for (const char* bytes : {"[GNUPG:] GET_", "", "LINE q\n[GNUPG:] PRO", "GRESS 1\r", "\nnext\r",
                            "Xtail\r", "\n", "\rYz", "\nunended"}) {
    EXPECT_EQ(StatusAction::Continue, driver.Feed(bytes, handler)) << bytes;
  }
  // The question was recognised whole although it came in two pieces.
  EXPECT_EQ((Lines{"[GNUPG:] GET_LINE q", "[GNUPG:] PROGRESS 1", "next", "tail", "", "z"}),
            handler.lines);
  EXPECT_EQ(StatusKeyword::GetLine, handler.kinds[0]);
  EXPECT_EQ(StatusKeyword::Progress, handler.kinds[1]);
  EXPECT_TRUE(c.commandWrite.valid());
  EXPECT_EQ("answer\n", ReadCommands(c.commandRead).bytes);

  EXPECT_EQ(StatusAction::Continue, driver.Finish(handler));
  EXPECT_EQ("unended", handler.lines.back());
  EXPECT_EQ(7u, handler.lines.size());
  // Nothing left: a second Finish hands on nothing.
  EXPECT_EQ(StatusAction::Continue, driver.Finish(handler));
  EXPECT_EQ(7u, handler.lines.size());

  // A last line that makes the handler stop ends the feed with Stop.
  Handler stopsAtTheEnd([](const StatusLine& line, CommandWriter&) {
    return line.text == "end" ? StatusAction::Stop : StatusAction::Continue;
  });
  StatusDriver tail(c.statusRead, c.commandWrite);
  EXPECT_EQ(StatusAction::Continue, tail.Feed("a\nend", stopsAtTheEnd));
  EXPECT_EQ(StatusAction::Stop, tail.Finish(stopsAtTheEnd));
  EXPECT_EQ((Lines{"a", "end"}), stopsAtTheEnd.lines);
}

TEST(StatusDriver, StopInPushModeDropsEverythingAfterIt) {
  Channels c;
  Handler handler([](const StatusLine& line, CommandWriter&) {
    return line.kind == StatusKeyword::BadPassphrase ? StatusAction::Stop
                                                     : StatusAction::Continue;
  });
  StatusDriver driver(c.statusRead, c.commandWrite);
  EXPECT_EQ(StatusAction::Continue, driver.Feed("[GNUPG:] PROGRESS\n[GNUPG:] BAD_PASS", handler));
  EXPECT_EQ(StatusAction::Stop,
            driver.Feed("PHRASE 12\n[GNUPG:] GET_HIDDEN passphrase.enter\npartial", handler));
  EXPECT_EQ(StatusAction::Stop, driver.Feed("more\n[GNUPG:] GET_BOOL x\n", handler));
  EXPECT_EQ(StatusAction::Stop, driver.Finish(handler));
  EXPECT_EQ((Lines{"[GNUPG:] PROGRESS", "[GNUPG:] BAD_PASSPHRASE 12"}), handler.lines);
  // The dropped questions were never asked, so the command input stays as it was.
  EXPECT_TRUE(c.commandWrite.valid());
}

TEST(CommandWriter, WriteSecretLineWipesTheSecretAndNamesTheWriteThatFailed) {
  // gpg has gone: the secret cannot be written, and is wiped all the same.
  Channels c;
  c.commandRead.reset();
  CommandWriter writer(c.commandWrite);
  std::string secret = "never sent";
  int failedWrite = -1;
  EXPECT_EQ(ResultFromErrno(EPIPE), writer.WriteSecretLine(secret, &failedWrite));
  EXPECT_EQ(1, failedWrite);
  EXPECT_EQ("", secret);

  // An empty secret writes nothing, so the line end is the write that fails.
  std::string empty;
  failedWrite = -1;
  EXPECT_EQ(ResultFromErrno(EPIPE), writer.WriteSecretLine(empty, &failedWrite));
  EXPECT_EQ(2, failedWrite);
  std::string unreported = "no place for the failure";
  EXPECT_EQ(ResultFromErrno(EPIPE), writer.WriteSecretLine(unreported));
  EXPECT_EQ("", unreported);

  // A closed command input: the writer refuses, and still wipes.
  writer.Close();
  EXPECT_FALSE(writer.open());
  EXPECT_FALSE(c.commandWrite.valid());
  std::string closed = "also never sent";
  failedWrite = -1;
  EXPECT_EQ(kUnexpected, writer.WriteSecretLine(closed, &failedWrite));
  EXPECT_EQ(1, failedWrite);
  EXPECT_EQ("", closed);
}

}  // namespace
}  // namespace ambrine
