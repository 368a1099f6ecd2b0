// Runs ambrine-leaf through popen for the end-to-end tests.
#include "tool_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace ambrine::test {

ToolRun Shell(const std::string& line, const TempDir& dir) {
  const std::string errFile = dir.File("stderr");
  const std::string command = line + " 2>" + errFile + " </dev/null";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  char block[4096];
  std::size_t n;
  while ((n = fread(block, 1, sizeof block, pipe)) > 0) run.out.append(block, n);
  int status = pclose(pipe);
  run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = ReadFile(errFile);
  return run;
}

std::string ToolPath() { return AMBRINE_LEAF_TOOL; }

ToolRun Tool(const std::string& arguments, const TempDir& dir) {
  return Shell(ToolPath() + " " + arguments, dir);
}

}  // namespace ambrine::test
