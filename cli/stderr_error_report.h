// Where the tool's failures go: each report printed on standard error with
// what the step was and the code's text.
#pragma once

#include <string>

#include "base/error_report.h"
#include "gpg/error_tail.h"

namespace ambrine {

// Prints each report to stderr with the code's text and what the step was.
class StderrErrorReport : public ErrorReport {
 public:
  using ErrorReport::Report;
  void Report(Result code, const char* source, int line) override;
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// Prints held reports, each followed by gpg's line for it when one came
// (an attachment's gpg).
class StderrReportWithGpgLines : public StderrErrorReport, public GpgLineListener {
 public:
  void OnGpgLine(const std::string& line) override;
};

}  // namespace ambrine
