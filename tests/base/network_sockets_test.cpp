// The socket filter: network sockets refused in every thread and in every
// process started afterwards, local sockets and open sockets unaffected.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <future>
#include <thread>

#include "base/network_sockets.h"

namespace ambrine {
namespace {

// errno of socket(domain, type), 0 when it succeeded.
int SocketError(int domain, int type) {
  const int fd = ::socket(domain, type, 0);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

// Runs `body` in a forked child (the filter is for life) and returns its
// exit code: 0 when every check passed, else the number of the first
// check that failed.
int InChild(int (*body)()) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(NetworkSockets, OnlyLocalSocketsAfterTheFilterInEveryThreadAndChild) {
  EXPECT_EQ(0, InChild([]() -> int {
    // A socket opened before stays usable; a thread started before is bound.
    const int before = ::socket(AF_INET, SOCK_DGRAM, 0);
    std::promise<void> filtered;
    std::future<int> fromThread = std::async(std::launch::async, [&] {
      filtered.get_future().wait();
      return SocketError(AF_INET6, SOCK_STREAM);
    });
    if (ForbidNetworkSockets() != kOk) return 1;
    filtered.set_value();
    if (SocketError(AF_INET, SOCK_STREAM) != EACCES) return 2;
    if (SocketError(AF_INET, SOCK_DGRAM) != EACCES) return 3;
    if (SocketError(AF_PACKET, SOCK_RAW) != EACCES) return 4;
    if (fromThread.get() != EACCES) return 5;
    if (SocketError(AF_UNIX, SOCK_STREAM) != 0) return 6;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 7;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(before, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return 8;
    // A program started afterwards inherits the rule.
    // (bash's /dev/udp needs no listener: only the socket can fail.)
    const int shell = std::system("bash -c 'exec 3>/dev/udp/127.0.0.1/9' 2>/dev/null");
    if (!WIFEXITED(shell) || WEXITSTATUS(shell) == 0) return 9;
    return 0;
  }));
}

}  // namespace
}  // namespace ambrine
