// How a dialog has a core operation run without running it itself: the
// dialog asks, builds the core operation (gpg/) and hands it over as work;
// its owner's runner runs it away from the GUI thread (the program's is
// app/flows/background_runner.h) while the dialog keeps repainting and
// shows what the work hands back.
#pragma once

#include <functional>

namespace ambrine {

class OperationProgress;

class OperationRunner {
 public:
  virtual ~OperationRunner() = default;

  // On the GUI thread: runs work(progress) and returns once it has ended.
  // Meanwhile the GUI thread serves events, so the dialog repaints and
  // takes what the work shows through CallOnGuiThread. No progress window
  // of the runner's own: the dialog shows the progress. `progress` is
  // cancelled when the program is told to end.
  virtual void Run(const std::function<void(OperationProgress&)>& work) = 0;

  // From inside the work: runs `call` on the GUI thread and returns once
  // it has ended.
  virtual void CallOnGuiThread(const std::function<void()>& call) = 0;
};

}  // namespace ambrine
