// ambrine-window-bench: times the real main window, as a user drives it:
// start-up until the default form is shown, File > Open of a leaf (file
// dialog, signature question) until the record is on screen, and File >
// Save (save options dialog) until the new leaf is written. Prints the
// figures as "name=value" lines; bench/window_bench.sh runs it and reads them.
//
//   ambrine-window-bench --keys HOME --leaf LEAF --save-to OUT --attachment NAME
//
// HOME holds the key rings (secring.gpg, pubring.gpg) put into a fresh
// program folder; LEAF carries one attachment called NAME; OUT must not
// exist. AMB_BENCH_T0 (seconds since the epoch, as `date +%s.%N` prints it
// just before the launch) adds the start-up time counted from the launch.
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "dialogs/key_list_view.h"
#include "dialogs/select_key_dialog.h"
#include "bench/bench_application.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine::bench {
namespace {

// The longest a single open or save may take before the run is given up.
constexpr int kFlowLimitMs = 20 * 60 * 1000;

// Wall-clock seconds since the epoch (comparable with `date +%s.%N`).
double Now() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// A line of /proc/self/status in MiB: "VmHWM:" the peak resident set so
// far, "VmRSS:" the resident set now.
double StatusMib(const std::string& line) {
  std::ifstream status("/proc/self/status");
  std::string key;
  double kib = 0;
  while (status >> key) {
    if (key == line) {
      status >> kib;
      break;
    }
    status.ignore(1 << 20, '\n');
  }
  return kib / 1024.0;
}

double PeakRssMib() { return StatusMib("VmHWM:"); }

// Starts the peak resident set afresh from the resident set now (Linux's
// clear_refs "5"), so the next peak is that of what runs from here on.
// False when the kernel does not allow it.
bool ResetPeakRss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5" << std::flush;
  return static_cast<bool>(clear);
}

// Answers the dialogs of the open and the save flow the moment they are
// shown, and notes when: the file dialog gets the leaf to open, the
// signature question Yes, the save options dialog the own key only and the
// output file. A progress dialog is left alone (it closes by itself); any
// other dialog is unexpected: it is noted and closed.
class TimedAnswers : public QObject {
 public:
  QString openPath;
  QString savePath;
  double fileAccepted = 0;     // the open's file dialog was accepted
  double confirmShown = 0;     // the signature question appeared
  double confirmAnswered = 0;  // ... and was answered
  double saveAccepted = 0;     // the save options dialog was accepted
  int progressShown = 0;       // progress dialogs that came up
  QStringList unexpected;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() != QEvent::Show) return false;
    auto* dialog = qobject_cast<QDialog*>(object);
    if (!dialog || !dialog->isWindow()) return false;
    if (qobject_cast<QProgressDialog*>(dialog)) {
      ++progressShown;
      return false;
    }
    QPointer<QDialog> target(dialog);
    if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
      // Let the dialog settle; its time is not counted.
      QTimer::singleShot(50, this, [this, target, files] {
        if (!target) return;
        files->selectFile(openPath);
        if (auto* edit = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          edit->setText(openPath);
        }
        fileAccepted = Now();
        static_cast<QDialog*>(files)->accept();  // QFileDialog's own: it checks the name
        if (files->isVisible()) {
          unexpected << QStringLiteral("the file dialog refused ") + openPath;
          files->reject();
        }
      });
    } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      const bool confirmation = box->button(QMessageBox::Yes) != nullptr &&
                                box->text().contains(QStringLiteral("電子署名が確認されました"));
      if (confirmation) confirmShown = Now();
      // At once: the question's wait is taken out of the open's time.
      QTimer::singleShot(0, this, [this, target, box, confirmation] {
        if (!target) return;
        if (confirmation) {
          confirmAnswered = Now();
          box->button(QMessageBox::Yes)->click();
        } else {
          unexpected << QStringLiteral("message: ") + box->text();
          box->close();
        }
      });
    } else if (auto* options = qobject_cast<SelectKeyDialog*>(dialog)) {
      QTimer::singleShot(50, this, [this, target, options] {
        if (!target) return;
        options->publicKeyRadio()->click();
        KeyListView* list = options->keyList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) list->topLevelItem(i)->setSelected(false);
        options->fileNameEdit()->setText(savePath);
        saveAccepted = Now();
        options->okButton()->click();
      });
    } else {
      unexpected << QStringLiteral("dialog: %1 [%2]")
                        .arg(QString::fromLatin1(dialog->metaObject()->className()),
                             dialog->windowTitle());
      QTimer::singleShot(0, this, [target] {
        if (target) target->reject();
      });
    }
    return false;
  }
};

struct Args {
  std::string keys, leaf, saveTo, attachment;
};

bool ParseArgs(int argc, char** argv, Args& args) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--keys") {
      args.keys = value;
    } else if (name == "--leaf") {
      args.leaf = value;
    } else if (name == "--save-to") {
      args.saveTo = value;
    } else if (name == "--attachment") {
      args.attachment = value;
    } else {
      return false;
    }
  }
  return !args.keys.empty() && !args.leaf.empty() && !args.saveTo.empty() &&
         !args.attachment.empty() && args.leaf[0] == '/' && args.saveTo[0] == '/';
}

int Fail(const char* what, const TimedAnswers& answers) {
  std::fprintf(stderr, "ambrine-window-bench: %s\n", what);
  for (const QString& seen : answers.unexpected) {
    std::fprintf(stderr, "  unexpected %s\n", seen.toStdString().c_str());
  }
  return 1;
}

// The program folder is ready and QApplication runs: starts the window,
// opens the leaf, saves it again, prints the figures.
int Drive(const Args& args, const std::string& program, double launched, double mainEntered) {
  using test::SpinUntil;
  TimedAnswers answers;
  qApp->installEventFilter(&answers);
  test::Window window;
  MainView& view = window.view();

  // Start-up: the default form loaded, the window shown, the page answering.
  if (!window.Start(program)) return Fail("the window did not start", answers);
  if (!SpinUntil([&] {
        return window.Js(QStringLiteral("!!document.getElementById('title')")).toBool();
      })) {
    return Fail("the default form did not come", answers);
  }
  const double ready = Now();
  if (launched > 0) std::printf("startup_from_launch_s=%.3f\n", ready - launched);
  std::printf("startup_from_main_s=%.3f\n", ready - mainEntered);
  std::printf("rss_ready_mib=%.1f\n", PeakRssMib());

  // Open: from the file dialog's OK to the record on screen, without the
  // time the signature question was up.
  answers.openPath = QString::fromStdString(args.leaf);
  double leafCurrent = 0;  // the open made the leaf the current one
  QObject::connect(&view.record(), &Record::leafPathChanged, &answers, [&](const QString& path) {
    if (leafCurrent == 0 && path.toStdString() == args.leaf) leafCurrent = Now();
  });
  window.frame().action(kCmdOpen)->trigger();
  const bool opened = SpinUntil(
      [&] {
        if (!answers.unexpected.isEmpty()) return true;  // the flow went wrong
        return !view.flowRunning() && view.record().leafPath() == args.leaf &&
               view.record().attachments().Count() == 1 &&
               window.Js(QStringLiteral("document.querySelectorAll('#attachList li').length"))
                       .toInt() == 1;
      },
      kFlowLimitMs);
  const double openEnd = Now();
  if (!opened || !answers.unexpected.isEmpty() || answers.fileAccepted == 0 ||
      answers.confirmAnswered == 0) {
    return Fail("the open did not finish", answers);
  }
  if (view.record().attachments().begin()->name != args.attachment) {
    return Fail("the opened record does not hold the attachment", answers);
  }
  const double confirmWait = answers.confirmAnswered - answers.confirmShown;
  std::printf("open_s=%.3f\n", openEnd - answers.fileAccepted - confirmWait);
  std::printf("open_decrypt_s=%.3f\n", answers.confirmShown - answers.fileAccepted);
  std::printf("open_confirm_wait_s=%.3f\n", confirmWait);
  std::printf("open_leaf_current_s=%.3f\n", leafCurrent - answers.fileAccepted - confirmWait);
  std::printf("peak_rss_open_mib=%.1f\n", PeakRssMib());
  std::printf("open_progress_dialogs=%d\n", std::exchange(answers.progressShown, 0));

  // Save: from the save options dialog's OK to the new leaf in place. Its
  // own peak is counted from the resident set it starts with.
  std::printf("rss_before_save_mib=%.1f\n", StatusMib("VmRSS:"));
  const double peakBeforeSave = PeakRssMib();
  const bool peakReset = ResetPeakRss();
  answers.savePath = QString::fromStdString(args.saveTo);
  window.frame().action(kCmdSave)->trigger();
  struct stat info {};
  const bool saved = SpinUntil(
      [&] {
        if (!answers.unexpected.isEmpty()) return true;  // the flow went wrong
        return !view.flowRunning() && view.record().leafPath() == args.saveTo &&
               ::stat(args.saveTo.c_str(), &info) == 0 && info.st_size > 0;
      },
      kFlowLimitMs);
  const double saveEnd = Now();
  if (!saved || !answers.unexpected.isEmpty() || answers.saveAccepted == 0) {
    return Fail("the save did not finish", answers);
  }
  std::printf("save_s=%.3f\n", saveEnd - answers.saveAccepted);
  const double savePeak = PeakRssMib();
  std::printf("peak_rss_save_mib=%.1f\n", peakReset ? std::max(peakBeforeSave, savePeak) : savePeak);
  if (peakReset) std::printf("save_own_peak_rss_mib=%.1f\n", savePeak);
  std::printf("save_progress_dialogs=%d\n", answers.progressShown);
  std::fflush(stdout);

  if (!window.report().reports.empty()) return Fail("the window reported a failure", answers);
  return 0;
}

}  // namespace
}  // namespace ambrine::bench

int main(int argc, char** argv) {
  const double mainEntered = ambrine::bench::Now();
  ambrine::bench::Args args;
  if (!ambrine::bench::ParseArgs(argc, argv, args)) {
    std::fprintf(stderr,
                 "usage: %s --keys HOME --leaf /LEAF --save-to /OUT --attachment NAME\n",
                 argv[0]);
    return 2;
  }
  const char* t0 = ::getenv("AMB_BENCH_T0");
  const double launched = t0 ? std::atof(t0) : 0;

  return ambrine::bench::RunBenchApplication(
      "ambrine-window-bench", "bench", args.keys, argv[0], [&](const std::string& program) {
        return ambrine::bench::Drive(args, program, launched, mainEntered);
      });
}
