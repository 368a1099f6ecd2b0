// An ErrorReport that keeps what was reported, for tests to look at.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/error_report.h"

namespace ambrine::test {

struct Reported {
  Reported(Result code, std::string source, int line)
      : code(code), source(std::move(source)), line(line) {}
  Reported(Result code, const ReportPoint& point)
      : code(code), source(point.source), line(point.line) {}
  Result code;
  std::string source;
  int line;
  bool operator==(const Reported&) const = default;
};

class RecordingReport : public ErrorReport {
 public:
  using ErrorReport::Report;
  void Report(Result code, const char* source, int line) override {
    reports.push_back({code, source, line});
  }
  // The named point of each report, in order; null for one without a name.
  std::vector<const ReportPoint*> Points() const {
    std::vector<const ReportPoint*> points;
    for (const auto& r : reports) points.push_back(FindReportPoint(r.source, r.line));
    return points;
  }
  std::vector<Reported> reports;
};

}  // namespace ambrine::test
