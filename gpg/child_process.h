// Starts a program without a shell, with a fixed descriptor layout, so the
// numbers on its command line are known before it starts.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "base/result.h"

namespace ambrine {

// Where the child finds the descriptors it is given besides 0, 1 and 2.
constexpr int kChildPassphraseFd = 3;
constexpr int kChildCommandFd = 4;
constexpr int kChildStatusFd = 5;

// The program's descriptors to hand to the child; -1 gives the null device
// for the standard ones and nothing for the others.
struct ChildDescriptors {
  int input = -1;
  int output = -1;
  int error = -1;
  int passphrase = -1;
  int command = -1;
  int status = -1;
};

// Starts argv[0] (a path; no search in PATH) with the descriptors above and
// every other descriptor closed. A program that cannot be executed is a
// failure here, not a later exit code.
Result SpawnChild(const std::vector<std::string>& argv, const ChildDescriptors& fds,
                  pid_t* pid);

// Makes writing to a pipe whose reader has gone return EPIPE instead of
// ending the program. Leaves a handler the program installed in place.
void IgnoreBrokenPipeSignal();

}  // namespace ambrine
