#include "gpg/gpg_run_outcome.h"

#include "gpg/error_tail.h"

namespace ambrine {

Result ReportRunFailure(const GpgRunOutcome& outcome, ErrorReport& report,
                        const ReportPoint& point) {
  if (!outcome.succeeded()) {
    report.Report(outcome.status, point);
    PassGpgLine(report, outcome.errorLine);  // the caller's report may take gpg's words
  }
  return outcome.status;
}

}  // namespace ambrine
