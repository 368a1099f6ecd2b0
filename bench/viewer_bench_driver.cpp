// ambrine-viewer-bench: the attachment viewer's memory, on the real main
// window. Attaches FILE, then views it (viewFile, as the form's 表示 button
// does) and reads the window process's resident memory before the view,
// while the attachment is shown and after its viewer is closed, and looks
// for files holding the attachment's bytes while it is shown. Prints the
// figures as "name=value" lines; bench/viewer_bench.sh runs it.
//
//   ambrine-viewer-bench --keys HOME --file FILE
//
// HOME holds the key rings (secring.gpg, pubring.gpg) put into a fresh
// program folder; FILE is an image or a PDF.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/window/attachment_viewer_window.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "bench/bench_application.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "support/test_keyring.h"

namespace ambrine::bench {
namespace {

namespace fs = std::filesystem;

// A "Vm...:" figure of /proc/PID/status, in MiB (0 when it cannot be read).
double StatusMib(const std::string& pid, const char* key) {
  std::ifstream status("/proc/" + pid + "/status");
  std::string word;
  double kib = 0;
  while (status >> word) {
    if (word == key) {
      status >> kib;
      break;
    }
    status.ignore(1 << 20, '\n');
  }
  return kib / 1024.0;
}

std::string ParentOf(const std::string& pid) {
  std::ifstream status("/proc/" + pid + "/status");
  std::string word, parent;
  while (status >> word) {
    if (word == "PPid:") {
      status >> parent;
      break;
    }
    status.ignore(1 << 20, '\n');
  }
  return parent;
}

// The resident memory of the web engine's helper processes (every
// descendant of this one), in MiB.
double HelpersMib() {
  const std::string self = std::to_string(::getpid());
  double total = 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  while (dirent* entry = ::readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::string up = ParentOf(pid);
    for (int depth = 0; depth < 6 && !up.empty() && up != "0" && up != "1"; ++depth) {
      if (up == self) {
        total += StatusMib(pid, "VmRSS:");
        break;
      }
      up = ParentOf(up);
    }
  }
  ::closedir(proc);
  return total;
}

// Lets the event loop run for `ms`, so the engine and the allocator settle.
void Settle(int ms) {
  test::SpinUntil([] { return false; }, ms);
}

void PrintMemory(const char* when) {
  std::printf("rss_%s_mib=%.1f\n", when, StatusMib("self", "VmRSS:"));
  std::printf("helpers_%s_mib=%.1f\n", when, HelpersMib());
}

int Fail(const char* what) {
  std::fprintf(stderr, "ambrine-viewer-bench: %s\n", what);
  return 1;
}

int Drive(const std::string& program, const std::string& file) {
  using test::SpinUntil;
  test::Window window;
  if (!window.Start(program)) return Fail("the window did not start");
  window.AttachFile(file);
  if (window.view().record().attachments().Count() != 1) return Fail("the file was not attached");
  // 64 bytes from the middle of the file: what no file may hold while shown.
  const std::string content = test::ReadFile(file);
  const std::string marker = content.substr(content.size() / 2, 64);
  const auto since = fs::file_time_type::clock::now() - std::chrono::seconds(1);
  Settle(1500);
  PrintMemory("before");

  const auto begun = std::chrono::steady_clock::now();
  window.view().viewFile(0);
  if (window.view().viewers().size() != 1) return Fail("no viewer opened");
  AttachmentViewerWindow* viewer = window.view().viewers().front();
  if (!SpinUntil([&] { return viewer->loadResult().has_value(); }, 120000) || !*viewer->loadResult())
    return Fail("the viewer did not load");
  std::printf("view_s=%.3f\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
  Settle(3000);
  PrintMemory("shown");
  std::size_t holding = 0;
  for (const std::string& folder : {test::TmpFolder(), std::string(::getenv("HOME")), program})
    holding += test::NewFilesHolding(folder, since, marker).size();
  std::printf("files_holding_bytes=%zu\n", holding);

  viewer->close();
  if (!SpinUntil([&] { return window.view().viewers().empty(); })) return Fail("the viewer did not close");
  Settle(3000);
  PrintMemory("closed");
  std::fflush(stdout);
  return window.report().reports.empty() ? 0 : Fail("the window reported a failure");
}

}  // namespace
}  // namespace ambrine::bench

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "--keys" || std::string(argv[3]) != "--file" ||
      argv[4][0] != '/') {
    std::fprintf(stderr, "usage: %s --keys HOME --file /FILE\n", argv[0]);
    return 2;
  }
  const std::string file = argv[4];
  return ambrine::bench::RunBenchApplication(
      "ambrine-viewer-bench", "viewer-bench", argv[2], argv[0], [&](const std::string& program) {
        ambrine::test::StartModalWatchdog();
        return ambrine::bench::Drive(program, file);
      });
}
