// Usage errors and failures as the tool prints them.
#include "cli/exit_status.h"

#include <cstdio>

namespace ambrine {

int Usage(const std::string& message) {
  std::fprintf(stderr, "ambrine-leaf: %s\nTry 'ambrine-leaf --help'.\n", message.c_str());
  return kExitUsage;
}

int Fail(const std::string& message, const std::string& gpgLine) {
  std::fprintf(stderr, "ambrine-leaf: %s\n", message.c_str());
  if (!gpgLine.empty()) std::fprintf(stderr, "ambrine-leaf: %s\n", gpgLine.c_str());
  return kExitFailure;
}

}  // namespace ambrine
