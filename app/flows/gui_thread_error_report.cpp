#include "app/flows/gui_thread_error_report.h"

#include "app/flows/background_operation.h"

namespace ambrine {

void GuiThreadErrorReport::Report(Result code, const char* source, int line) {
  BackgroundOperation::CallOnGuiThread([&] { report_.Report(code, source, line); });
}

}  // namespace ambrine
