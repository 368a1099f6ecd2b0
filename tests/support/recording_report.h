// An ErrorReport that keeps what was reported, for tests to look at.
#pragma once

#include <string>
#include <vector>

#include "base/error_report.h"

namespace ambrine::test {

struct Reported {
  Status code;
  std::string source;
  int line;
  bool operator==(const Reported&) const = default;
};

class RecordingReport : public ErrorReport {
 public:
  using ErrorReport::Report;
  void Report(Status code, const char* source, int line) override {
    reports.push_back({code, source, line});
  }
  std::vector<int> Lines() const {
    std::vector<int> lines;
    for (const auto& r : reports) lines.push_back(r.line);
    return lines;
  }
  std::vector<Reported> reports;
};

}  // namespace ambrine::test
