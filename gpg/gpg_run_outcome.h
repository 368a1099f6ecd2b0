// How one gpg run ended: the one place that turns gpg's exit code into a
// status and keeps the line gpg gave for a failure.
#pragma once

#include <string>

#include "base/error_report.h"
#include "base/report_point.h"
#include "base/result.h"

namespace ambrine {

// What GpgEngine::Finish (and the file operations, which run gpg to its
// end) give back. A run that could not start, or whose dialogue failed
// before gpg was waited for, has that failure as `status` and exit code -1.
struct GpgRunOutcome {
  // kOk: gpg was waited for and exited with 0. kFailure: it exited with any
  // other code, or a signal ended it. Otherwise the reason it was not seen to
  // end: kCancelled when the wait hook stopped it, the failure of starting,
  // talking to or waiting for it.
  Result status = kUnexpected;
  // gpg's exit code (128 + the signal's number for a signal), or -1 when it
  // was not waited for.
  int exitCode = -1;
  // Why gpg failed, in its words (ErrorTail::LastLine): set when `status`
  // failed and was not kCancelled; "" when gpg said nothing, its errors were
  // not captured (GpgEngine::CaptureErrors), it succeeded or was stopped.
  std::string errorLine;

  bool succeeded() const { return Succeeded(status); }
  // gpg ran to its end and refused: a non-zero exit code, not a failure to
  // start, talk to or wait for it.
  bool refusedByGpg() const { return exitCode > 0; }
};

// For the parts that tell failures only through an ErrorReport: reports a
// failed run at `point`, then hands gpg's line on (PassGpgLine); nothing
// for a run that succeeded. Gives the run's status.
Result ReportRunFailure(const GpgRunOutcome& outcome, ErrorReport& report,
                        const ReportPoint& point);

}  // namespace ambrine
