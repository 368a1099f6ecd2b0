// Where failures are reported: the window shows them as message boxes, the
// command-line tool prints them, tests record them.
#pragma once

#include "base/report_point.h"
#include "base/result.h"

namespace ambrine {

class ErrorReport {
 public:
  virtual ~ErrorReport() = default;
  // `source` names the part of the program ("mainview", "ManageKey", ...);
  // `line` tells which step failed.
  virtual void Report(Result code, const char* source, int line) = 0;
  // Reports at a named point.
  void Report(Result code, const ReportPoint& point) { Report(code, point.source, point.line); }
};

}  // namespace ambrine
