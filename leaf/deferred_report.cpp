#include "leaf/deferred_report.h"

namespace ambrine {

void DeferredReport::Report(Result code, const char* source, int line) {
  entries_.push_back({code, source, line, std::string()});
}

void DeferredReport::OnGpgLine(const std::string& line) {
  entries_.push_back({kOk, nullptr, 0, line});
  lastGpgLine_ = line;
}

void DeferredReport::ReplayTo(ErrorReport& report) {
  std::vector<Entry> entries = std::move(entries_);
  entries_.clear();
  for (const Entry& entry : entries) {
    if (entry.source != nullptr) {
      report.Report(entry.code, entry.source, entry.line);
    } else {
      PassGpgLine(report, entry.gpgLine);
    }
  }
}

}  // namespace ambrine
