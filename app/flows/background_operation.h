// Runs a long core operation (a save, an open, an attach, an extract) on a
// worker thread while the GUI thread keeps its event loop turning, so the
// window repaints. When the work takes more than half a second a progress
// dialog, window-modal to the flow's window, shows its bytes and lets the
// user stop it (work whose own dialog shows its progress, such as a key
// generation, runs without that dialog). Whatever the worker needs from
// the window (a question, the page, a report) is run on the GUI thread
// through CallOnGuiThread.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace ambrine {

class OperationProgress;

class BackgroundOperation {
 public:
  // `owner`: the window the progress dialog is modal to; `text`: what the
  // dialog says is being done ("保存しています...").
  BackgroundOperation(QWidget* owner, QString text)
      : owner_(owner), text_(std::move(text)), showsDialog_(true) {}
  // Without a progress dialog, for work whose asking dialog shows its
  // progress itself: the wait cursor stays for the whole run and nothing
  // offers a cancel.
  BackgroundOperation() = default;

  // On the GUI thread: runs work(progress) on a worker thread and returns
  // once it has ended and the thread is joined. Meanwhile the GUI thread
  // serves events and the worker's CallOnGuiThread calls. The progress
  // dialog shows after half a second of work, never while a call of the
  // worker's is being served (its questions stay on top), and its Cancel
  // calls progress.Cancel(). When every event loop is told to end (a
  // termination signal) the operation is asked to stop and waited for. An
  // exception thrown by `work` is thrown again here.
  void Run(const std::function<void(OperationProgress&)>& work);

  // Runs `call` on the GUI thread and returns once it has ended: directly
  // when called there, otherwise the calling thread waits while the GUI
  // thread runs it. A thread other than the GUI thread may call it only
  // while a Run waits for its operation.
  static void CallOnGuiThread(const std::function<void()>& call);

  // On the GUI thread: whether an operation's own thread is at work outside
  // a CallOnGuiThread call, so what it was handed (the attachments) may be
  // changing under the GUI thread.
  static bool WorkerRunsFreely();

  // How long the work runs before the progress dialog shows.
  static constexpr int kDialogDelayMs = 500;

 private:
  QWidget* owner_ = nullptr;
  QString text_;
  bool showsDialog_ = false;
};

}  // namespace ambrine
