// Holds reports, and the gpg lines that come with them, to be shown later:
// what the leaf reader finds while an open decrypts is shown only once the
// user has confirmed the leaf, and not at all when they decline.
#pragma once

#include <string>
#include <vector>

#include "base/error_report.h"
#include "gpg/error_tail.h"

namespace ambrine {

class DeferredReport : public ErrorReport, public GpgLineListener {
 public:
  using ErrorReport::Report;
  void Report(Result code, const char* source, int line) override;
  void OnGpgLine(const std::string& line) override;

  // Hands every held report and gpg line to `report` in the order they
  // came, then forgets them.
  void ReplayTo(ErrorReport& report);
  // The gpg line that came with the last failure, "" when none did.
  const std::string& lastGpgLine() const { return lastGpgLine_; }

 private:
  struct Entry {
    Result code = kOk;
    const char* source = nullptr;  // null: a gpg line
    int line = 0;
    std::string gpgLine;
  };
  std::vector<Entry> entries_;
  std::string lastGpgLine_;
};

}  // namespace ambrine
