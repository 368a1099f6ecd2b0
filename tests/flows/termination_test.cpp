// Termination signals end the real program through its normal shutdown: a
// child process runs the window with an attachment, the test signals it and
// looks at the temporary folder it leaves. The same child shows that no
// process of the program can write a core file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>
#include <thread>

#include "app/window/main_view.h"
#include "app/window/termination_signals.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

extern char** environ;

namespace ambrine {

namespace fs = std::filesystem;

// The child: the window with one attachment, waiting in the event loop as
// main() does; `readyFile` gets its temporary folder once it is ready.
int RunTerminationChild(int argc, char** argv, const std::string& readyFile) {
  test::SetUpScratch();
  // Its own state, for the parent to read: /proc does not show it.
  const bool dumpable = ::prctl(PR_GET_DUMPABLE) != 0;
  QApplication app(argc, argv);
  QuitOnTerminationSignals();
  int rc = 0;
  {
    test::Window window;
    if (!window.Start(test::MakeProgramFolder("signalled", test::Keys().aliceHome))) return 3;
    const std::string source = test::WorkFolder() + "/attached.txt";
    std::ofstream(source) << "kept only while the window lives";
    test::ModalScript script;
    script.FileDialog(QString::fromStdString(source));
    std::optional<std::string> listing;
    window.view().attachFile(listing);
    if (!script.done() || test::AttachmentTempFiles(test::TmpFolder()).size() != 1) return 4;
    std::ofstream(readyFile) << test::TmpFolder() << " " << (dumpable ? "dumpable" : "not-dumpable");
    rc = app.exec();
  }
  // The scratch folder stays for the parent to look at.
  return rc == 0 ? 0 : 5;
}

namespace {

// The core size limit of `pid` ("Max core file size" in /proc/PID/limits).
std::string CoreLimit(pid_t pid) {
  std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
  std::string line;
  while (std::getline(limits, line)) {
    if (line.rfind("Max core file size", 0) == 0) return line.substr(26, 40);
  }
  return "missing";
}

// The program runs with a core size limit of 0, and so does every process
// it started: the web engine's helpers that render the record too.
void ExpectNoCoreDumps(pid_t program) {
  std::vector<pid_t> processes = {program};
  for (std::size_t i = 0; i < processes.size(); ++i) {
    // Any thread may have started a child: each lists its own.
    std::error_code ignored;
    const fs::path tasks = "/proc/" + std::to_string(processes[i]) + "/task";
    for (const auto& task : fs::directory_iterator(tasks, ignored)) {
      std::ifstream children(task.path() / "children");
      pid_t child = 0;
      while (children >> child) processes.push_back(child);
    }
  }
  EXPECT_GT(processes.size(), 1u) << "the web engine started no helper process";
  for (pid_t pid : processes) {
    std::istringstream fields(CoreLimit(pid));
    std::string soft, hard;
    fields >> soft >> hard;
    EXPECT_EQ(soft, "0") << "process " << pid;
    EXPECT_EQ(hard, "0") << "process " << pid;
  }
}

TEST(Termination, SigtermSighupAndSigintDeleteTheTemporaryFiles) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    const std::string ready = test::WorkFolder() + "/ready-" + std::to_string(signal);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string mode = "--termination-child";
    char* argv[] = {self.data(), mode.data(), const_cast<char*>(ready.c_str()), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ), 0);

    std::string tmp, dumpable;
    for (int i = 0; i < 1200 && dumpable.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::ifstream(ready) >> tmp >> dumpable;
    }
    ASSERT_FALSE(tmp.empty()) << "the child never got ready (signal " << signal << ")";
    ASSERT_EQ(test::AttachmentTempFiles(tmp).size(), 1u);
    if (signal == SIGTERM) {
      EXPECT_EQ(dumpable, "not-dumpable");
      ExpectNoCoreDumps(pid);
    }

    ASSERT_EQ(::kill(pid, signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << signal << " killed it";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "signal " << signal;
    EXPECT_TRUE(test::AttachmentTempFiles(tmp).empty()) << "signal " << signal;
    std::error_code ignored;
    fs::remove_all(fs::path(tmp).parent_path(), ignored);
  }
}

}  // namespace
}  // namespace ambrine
