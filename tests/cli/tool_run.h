// Runs the built ambrine-leaf (or a shell line around it) for the tests
// and collects its exit status, standard output and standard error.
#pragma once

#include <string>

#include "support/test_keyring.h"

namespace ambrine::test {

struct ToolRun {
  int exit = -1;
  std::string out;
  std::string err;
};

// Runs a shell command line, standard input from /dev/null and standard
// error into a file of `dir`.
ToolRun Shell(const std::string& line, const TempDir& dir);

// Runs ambrine-leaf with `arguments` (shell words) as Shell does.
ToolRun Tool(const std::string& arguments, const TempDir& dir);

// The path of the built ambrine-leaf.
std::string ToolPath();

}  // namespace ambrine::test
