#include "app/flows/background_runner.h"

#include "app/flows/background_operation.h"

namespace ambrine {

void BackgroundRunner::Run(const std::function<void(OperationProgress&)>& work) {
  BackgroundOperation().Run(work);
}

void BackgroundRunner::CallOnGuiThread(const std::function<void()>& call) {
  BackgroundOperation::CallOnGuiThread(call);
}

}  // namespace ambrine
