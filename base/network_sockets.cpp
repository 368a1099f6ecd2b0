#include "base/network_sockets.h"

#include <errno.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <iterator>

namespace ambrine {

namespace {

#if defined(__x86_64__)
constexpr unsigned kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned kAuditArch = AUDIT_ARCH_AARCH64;
#else
#error "the socket filter knows x86-64 and AArch64 only"
#endif

// Syscall numbers with this bit set are the x32 ABI's, a second way into
// socket() on x86-64.
constexpr unsigned kX32Bit = 0x40000000;

constexpr unsigned kAllow = SECCOMP_RET_ALLOW;
constexpr unsigned kDeny = SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA);
constexpr unsigned kNoSuchCall = SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA);

}  // namespace

Result ForbidNetworkSockets() {
  const sock_filter program[] = {
      // Another architecture's calls (a 32-bit entry) are refused outright.
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, kNoSuchCall),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, kX32Bit, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kNoSuchCall),
      // io_uring can create sockets of its own.
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_setup, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, kNoSuchCall),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_socket, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, kAllow),
      // socket(domain, ...): local domains only.
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_UNIX, 2, 0),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_NETLINK, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, kDeny),
      BPF_STMT(BPF_RET | BPF_K, kAllow),
  };
  sock_fprog filter{static_cast<unsigned short>(std::size(program)),
                    const_cast<sock_filter*>(program)};
  // Needed to install a filter without privileges; it also keeps any child
  // from gaining privileges the filter would not bind.
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return kFailure;
  // All threads at once: Qt has started some already.
  if (::syscall(__NR_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &filter) != 0)
    return kFailure;
  return kOk;
}

}  // namespace ambrine
