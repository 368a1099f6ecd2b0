// The error report for a core operation that runs on a worker thread: each
// report is shown by the window's report on the GUI thread, in the order it
// was made, and the worker waits until it has been shown.
#pragma once

#include "base/error_report.h"

namespace ambrine {

class GuiThreadErrorReport : public ErrorReport {
 public:
  explicit GuiThreadErrorReport(ErrorReport& report) : report_(report) {}

  using ErrorReport::Report;
  // Passes the report on, on the GUI thread.
  void Report(Result code, const char* source, int line) override;

 private:
  ErrorReport& report_;
};

}  // namespace ambrine
