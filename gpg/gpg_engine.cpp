#include "gpg/gpg_engine.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gpg/child_process.h"
#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

// Options every gpg run gets, each one argv element.
const char* const kFixedOptions[] = {
    "--no-random-seed-file", "--no-default-keyring", "--always-trust",
    "--utf8-strings",        "--cipher-algo",        "AES256",
    "--no-tty",  // gpg1 without a terminal fails opening /dev/tty otherwise
    "--force-mdc",  // integrity protection for symmetric messages too
};

// Waits for `pid`, retrying when a signal interrupts the wait.
pid_t WaitRetrying(pid_t pid, int* waitStatus) {
  for (;;) {
    const pid_t r = ::waitpid(pid, waitStatus, 0);
    if (r >= 0 || errno != EINTR) return r;
  }
}

bool NeedsQuoting(const std::string& arg) {
  if (arg.empty()) return true;
  for (unsigned char c : arg) {
    if (c <= ' ' || c == '"' || c == '\'' || c == '\\' || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

GpgEngine::GpgEngine(std::string gpgPath, std::string homeFolder,
                     std::vector<std::string> secretKeyrings,
                     std::vector<std::string> publicKeyrings)
    : gpgPath_(std::move(gpgPath)),
      homeFolder_(std::move(homeFolder)),
      secretKeyrings_(std::move(secretKeyrings)),
      publicKeyrings_(std::move(publicKeyrings)) {
  IgnoreBrokenPipeSignal();
}

GpgEngine::GpgEngine(const GpgSettings& settings)
    : GpgEngine(settings.gpgPath, settings.homeFolder, settings.secretKeyrings,
                settings.publicKeyrings) {}

GpgEngine::~GpgEngine() {
  // A gpg that nobody waited for would stay a zombie, or run on alone with
  // pipes nobody reads: stop it and reap it.
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    int waitStatus = 0;
    WaitRetrying(pid_, &waitStatus);
  }
  errorReader_.Finish();
}

std::vector<std::string> GpgEngine::BuildArgv(const std::vector<std::string>& arguments,
                                              bool hasPassphrase, bool hasCommand,
                                              bool hasStatus) const {
  std::vector<std::string> argv;
  argv.reserve(16 + publicKeyrings_.size() + secretKeyrings_.size() + arguments.size());
  argv.push_back(gpgPath_);
  for (const char* option : kFixedOptions) argv.emplace_back(option);
  argv.push_back("--homedir=" + homeFolder_);
  for (const auto& ring : publicKeyrings_) argv.push_back("--keyring=" + ring);
  for (const auto& ring : secretKeyrings_) argv.push_back("--secret-keyring=" + ring);
  if (hasPassphrase) argv.push_back("--passphrase-fd=" + std::to_string(kChildPassphraseFd));
  if (hasCommand) argv.push_back("--command-fd=" + std::to_string(kChildCommandFd));
  if (hasStatus) argv.push_back("--status-fd=" + std::to_string(kChildStatusFd));
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

std::string GpgEngine::RenderArgv(const std::vector<std::string>& argv) {
  std::string line;
  for (const auto& arg : argv) {
    if (!line.empty()) line += ' ';
    if (!NeedsQuoting(arg)) {
      line += arg;
      continue;
    }
    line += '"';
    for (unsigned char c : arg) {
      switch (c) {
        case '"': line += "\\\""; break;
        case '\\': line += "\\\\"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        case '\t': line += "\\t"; break;
        default:
          if (c < ' ' || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            line += hex;
          } else {
            line += static_cast<char>(c);
          }
      }
    }
    line += '"';
  }
  return line;
}

Result GpgEngine::Run(const std::vector<std::string>& arguments, const char* passphrase,
                      Fd statusFd, Fd commandFd) {
  // The child ends belong to this run: they close when it returns, whatever
  // the outcome, so the program keeps only its own ends of every pipe.
  Fd input = std::move(childInput_);
  Fd output = std::move(childOutput_);
  Fd error = std::move(childError_);
  if (pid_ > 0) return kUnexpected;  // one process at a time

  Fd passphraseRead;
  Fd passphraseWrite;
  if (passphrase) {
    if (Result s = CreateOutboundPipe(passphraseWrite, passphraseRead); Failed(s)) return s;
  }

  // The reader runs before gpg starts, so gpg never writes into a pipe
  // nobody reads. Without a pipe or a reader, the null device as before:
  // what gpg says only explains a failure, it never causes one.
  errorReader_.Finish();
  if (captureErrors_ && !error) {
    Fd errorRead;
    Fd errorChild;
    if (Succeeded(CreateInboundPipe(errorRead, errorChild)) &&
        errorReader_.Start(std::move(errorRead))) {
      error = std::move(errorChild);
    }
  }

  const auto argv = BuildArgv(arguments, passphrase != nullptr, commandFd.valid(),
                              statusFd.valid());
  ChildDescriptors fds;
  fds.input = input.get();
  fds.output = output.get();
  fds.error = error.get();
  fds.passphrase = passphraseRead.get();
  fds.command = commandFd.get();
  fds.status = statusFd.get();
  const Result started = SpawnChild(argv, fds, &pid_);

  input.reset();
  output.reset();
  error.reset();
  passphraseRead.reset();
  commandFd.reset();
  statusFd.reset();
  if (Failed(started)) {
    errorReader_.Finish();
    return started;
  }

  if (passphrase) {
    // gpg reads the passphrase up to the end of its pipe.
    const Result written = WritePipeString(passphraseWrite.get(), passphrase);
    passphraseWrite.reset();
    if (Failed(written)) {
      // Callers do not wait after a failed run; leave no process behind.
      ::kill(pid_, SIGKILL);
      int waitStatus = 0;
      WaitRetrying(pid_, &waitStatus);
      pid_ = -1;
      errorReader_.Finish();
      return written;
    }
  }
  return kOk;
}

GpgRunOutcome GpgEngine::Finish() {
  GpgRunOutcome outcome;
  int code = -1;
  outcome.status = WaitForExit(&code);
  if (Succeeded(outcome.status)) {
    outcome.exitCode = code;
    if (code != 0) outcome.status = kFailure;
  }
  // A gpg the user stopped has nothing to say about why.
  if (Failed(outcome.status) && outcome.status != kCancelled) {
    outcome.errorLine = errorReader_.tail().LastLine();
  }
  return outcome;
}

Result GpgEngine::WaitForExit(int* exitCode) {
  if (pid_ <= 0) return kUnexpected;
  int waitStatus = 0;
  pid_t waited = -1;
  if (keepWaiting_) {
    for (;;) {
      waited = ::waitpid(pid_, &waitStatus, WNOHANG);
      if (waited < 0 && errno == EINTR) continue;
      if (waited != 0) break;
      if (!keepWaiting_()) {
        ::kill(pid_, SIGKILL);
        WaitRetrying(pid_, &waitStatus);
        pid_ = -1;
        errorReader_.Finish();
        return kCancelled;
      }
      ::usleep(20 * 1000);
    }
  } else {
    waited = WaitRetrying(pid_, &waitStatus);
  }
  if (waited < 0) {
    const Result s = LastErrorResult();
    if (errno == ECHILD) {
      pid_ = -1;  // reaped elsewhere; never signal that pid again
      errorReader_.Finish();
    }
    return s;
  }
  pid_ = -1;
  // gpg has ended: everything it wrote on its standard error is in the pipe.
  errorReader_.Finish();
  int code = 0;
  if (WIFEXITED(waitStatus)) {
    code = WEXITSTATUS(waitStatus);
  } else if (WIFSIGNALED(waitStatus)) {
    code = 128 + WTERMSIG(waitStatus);
  }
  if (exitCode) *exitCode = code;
  return kOk;
}

}  // namespace ambrine
