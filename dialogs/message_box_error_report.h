// Shows a reported failure as two message boxes: the text of the code, then
// "Debug" with the source and step that failed.
#pragma once

#include "base/error_report.h"

namespace ambrine {

class MessageBoxErrorReport : public ErrorReport {
 public:
  void Report(Result code, const char* source, int line) override;
};

// The one reporter the window and its dialogs share.
ErrorReport& WindowErrorReport();

}  // namespace ambrine
