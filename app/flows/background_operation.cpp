#include "app/flows/background_operation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <optional>
#include <thread>
#include <utility>

#include "dialogs/arrow_cursor.h"
#include "dialogs/wait_cursor.h"
#include "base/operation_progress.h"
#include "dialogs/operation_progress_dialog.h"

namespace ambrine {

namespace {

// What the GUI thread knows of the running operation; read and written on
// the GUI thread only. One flow runs at a time (MainView::RunExclusive), so
// there is at most one operation.
struct GuiThreadState {
  bool running = false;
  std::thread::id worker;  // the operation's own thread
  int servedCalls = 0;     // CallOnGuiThread calls of any worker being served
  int workerWaits = 0;     // ... of them, those of the operation's own thread
};

GuiThreadState state;

// How often the dialog is looked after.
constexpr int kTickMs = 100;

}  // namespace

void BackgroundOperation::Run(const std::function<void(OperationProgress&)>& work) {
  OperationProgress progress;
  std::optional<OperationProgressDialog> dialog;
  if (showsDialog_) dialog.emplace(text_, progress, owner_);
  QEventLoop loop;
  std::atomic<bool> ended{false};
  std::exception_ptr failure;

  // The wait cursor until the dialog shows; the dialog's button then gets
  // the normal one. (Declared in this order so they go in the reverse.)
  WaitCursor waitCursor;
  std::optional<ArrowCursor> arrowCursor;

  // The time the work has run since it last needed the GUI thread: a
  // question the user answers is no reason to show the dialog.
  QElapsedTimer unattended;
  unattended.start();
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
    if (ended.load() || !dialog) return;
    if (state.servedCalls > 0) {
      unattended.restart();
      return;
    }
    dialog->Refresh();
    if (!arrowCursor && unattended.elapsed() >= kDialogDelayMs) {
      arrowCursor.emplace();
      dialog->show();
    }
  });
  tick.start(kTickMs);

  struct Registration {
    explicit Registration(std::thread::id worker) {
      state.running = true;
      state.worker = worker;
    }
    ~Registration() { state = GuiThreadState(); }
  };
  std::thread worker([&] {
    try {
      work(progress);
    } catch (...) {
      failure = std::current_exception();
    }
    ended.store(true);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  // Set before the GUI thread serves any of the worker's calls: they come
  // as events, and none is handled before the loop below.
  const Registration registration(worker.get_id());

  loop.exec();
  if (!ended.load()) {
    // Every event loop was told to end (a termination signal): the
    // operation stops and is waited for, its calls still being served.
    progress.Cancel();
    while (!ended.load()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  worker.join();
  tick.stop();
  if (dialog) dialog->hide();
  if (failure) std::rethrow_exception(failure);
}

void BackgroundOperation::CallOnGuiThread(const std::function<void()>& call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (QThread::currentThread() == app->thread()) {
    call();
    return;
  }
  const std::thread::id caller = std::this_thread::get_id();
  QMetaObject::invokeMethod(
      app,
      [&] {
        struct Serving {
          bool own;
          explicit Serving(bool o) : own(o) {
            ++state.servedCalls;
            if (own) ++state.workerWaits;
          }
          ~Serving() {
            --state.servedCalls;
            if (own) --state.workerWaits;
          }
        } serving(state.running && caller == state.worker);
        call();
      },
      Qt::BlockingQueuedConnection);
}

bool BackgroundOperation::WorkerRunsFreely() { return state.running && state.workerWaits == 0; }

}  // namespace ambrine
