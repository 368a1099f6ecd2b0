#include "gpg/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <array>
#include <mutex>

#include "base/fd.h"

extern char** environ;

namespace ambrine {

namespace {

// Sources are moved up here first so that no dup2 into 0..5 can overwrite
// a source that still has to be placed.
constexpr int kFirstHighFd = 64;
constexpr int kFirstClosedFd = kChildStatusFd + 1;

class SpawnActions {
 public:
  SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnActions() {
    if (ok_) posix_spawn_file_actions_destroy(&actions_);
  }
  posix_spawn_file_actions_t* get() { return &actions_; }
  bool ok() const { return ok_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ok_ = false;
};

class SpawnAttributes {
 public:
  SpawnAttributes() { ok_ = posix_spawnattr_init(&attr_) == 0; }
  ~SpawnAttributes() {
    if (ok_) posix_spawnattr_destroy(&attr_);
  }
  posix_spawnattr_t* get() { return &attr_; }
  bool ok() const { return ok_; }

 private:
  posix_spawnattr_t attr_;
  bool ok_ = false;
};

// gpg starts with the default SIGPIPE action and no blocked signals, even
// though this program ignores SIGPIPE.
Result SetDefaultSignals(posix_spawnattr_t* attr) {
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigset_t mask;
  sigemptyset(&mask);
  int err = posix_spawnattr_setsigdefault(attr, &defaults);
  if (err == 0) err = posix_spawnattr_setsigmask(attr, &mask);
  if (err == 0) err = posix_spawnattr_setflags(attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  return err == 0 ? kOk : ResultFromErrno(err);
}

}  // namespace

void IgnoreBrokenPipeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigemptyset(&ignore.sa_mask);
      sigaction(SIGPIPE, &ignore, nullptr);
    }
  });
}

Result SpawnChild(const std::vector<std::string>& argv, const ChildDescriptors& fds,
                  pid_t* pid) {
  *pid = -1;
  if (argv.empty()) return kUnexpected;
  IgnoreBrokenPipeSignal();

  Fd null;
  if (fds.input < 0 || fds.output < 0 || fds.error < 0) {
    null.reset(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!null) return LastErrorResult();
  }

  const std::array<std::pair<int, int>, 6> placements{{
      {fds.input >= 0 ? fds.input : null.get(), STDIN_FILENO},
      {fds.output >= 0 ? fds.output : null.get(), STDOUT_FILENO},
      {fds.error >= 0 ? fds.error : null.get(), STDERR_FILENO},
      {fds.passphrase, kChildPassphraseFd},
      {fds.command, kChildCommandFd},
      {fds.status, kChildStatusFd},
  }};

  SpawnActions actions;
  if (!actions.ok()) return kFailure;
  std::array<Fd, 6> high;  // close-on-exec copies above the target range
  for (std::size_t i = 0; i < placements.size(); ++i) {
    const auto [source, target] = placements[i];
    int err = 0;
    if (source >= 0) {
      high[i].reset(::fcntl(source, F_DUPFD_CLOEXEC, kFirstHighFd));
      if (!high[i]) return LastErrorResult();
      // dup2 leaves the target without close-on-exec: it survives the exec.
      err = posix_spawn_file_actions_adddup2(actions.get(), high[i].get(), target);
    } else {
      // Not passed: closed in the child (closing a descriptor that is not
      // open is not an error for spawn actions).
      err = posix_spawn_file_actions_addclose(actions.get(), target);
    }
    if (err != 0) return ResultFromErrno(err);
  }
  // Whatever else the program has open, even without close-on-exec, stays out.
  if (int err = posix_spawn_file_actions_addclosefrom_np(actions.get(), kFirstClosedFd); err != 0)
    return ResultFromErrno(err);

  SpawnAttributes attributes;
  if (!attributes.ok()) return kFailure;
  if (Result s = SetDefaultSignals(attributes.get()); Failed(s)) return s;

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  // glibc's posix_spawn reports a failed exec (a missing program, say) as
  // its own result, so no child is left behind to be waited for.
  pid_t child = -1;
  const int err = posix_spawn(&child, argv[0].c_str(), actions.get(), attributes.get(),
                              args.data(), environ);
  if (err != 0) return ResultFromErrno(err);
  *pid = child;
  return kOk;
}

}  // namespace ambrine
