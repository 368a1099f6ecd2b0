// The tool's terminal, error and output helpers.
#pragma once

#include <string>
#include <string_view>

#include "base/error_report.h"

namespace ambrine {

// Asks on /dev/tty with echo off. False when there is no terminal.
bool AskPassphrase(const std::string& prompt, std::string& answer);

// Prints each report to stderr with the code's text and what the step was.
class StderrErrorReport : public ErrorReport {
 public:
  using ErrorReport::Report;
  void Report(Status code, const char* source, int line) override;
  int count() const { return count_; }

 private:
  int count_ = 0;
};

// `text` as a JSON string (quotes included); bytes that are not UTF-8 become
// U+FFFD.
std::string JsonString(std::string_view text);

}  // namespace ambrine
