// Where failures are reported: the window shows them as message boxes, the
// command-line tool prints them, tests record them.
#pragma once

#include "../gpg/status.h"

namespace ambrine {

class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  // `source` names the part of the program ("mainview", "ManageKey", ...);
  // `line` tells which step failed.
  virtual void Report(Status code, const char* source, int line) = 0;
};

}  // namespace ambrine
