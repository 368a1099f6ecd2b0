// The runner the program hands its dialogs (OperationRunner): each
// operation runs on a worker thread through BackgroundOperation, without
// its progress dialog, as every other gpg run of the program does.
#pragma once

#include "dialogs/operation_runner.h"

namespace ambrine {

class BackgroundRunner : public OperationRunner {
 public:
  // One operation at a time, as BackgroundOperation runs them.
  void Run(const std::function<void(OperationProgress&)>& work) override;
  void CallOnGuiThread(const std::function<void()>& call) override;
};

}  // namespace ambrine
