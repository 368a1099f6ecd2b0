// The tool's reports on standard error, "ambrine-leaf: " first.
#include "cli/stderr_error_report.h"

#include <cstdio>

namespace ambrine {

void StderrErrorReport::Report(Result code, const char* source, int line) {
  ++count_;
  const ReportPoint* point = FindReportPoint(source, line);
  std::fprintf(stderr, "ambrine-leaf: %s%s%s (%s %d)\n", point ? point->meaning : "",
               point ? ": " : "", ResultText(code).c_str(), source, line);
}

void StderrReportWithGpgLines::OnGpgLine(const std::string& line) {
  std::fprintf(stderr, "ambrine-leaf: %s\n", line.c_str());
}

}  // namespace ambrine
