// A stand-in for gpg in tests: records how it was started (argv, open
// descriptors, passphrase, standard input and command input) and plays a
// script of status lines, so the engine's side of the dialogue can be
// checked line by line.
//
// Environment:
//   AMB_STANDIN_RECORD  file the record is written to
//   AMB_STANDIN_SCRIPT  file with one action per line:
//     status TEXT    writes "[GNUPG:] TEXT\n" to the status descriptor
//     stdout TEXT    writes "TEXT\n" to standard output
//     command-line   reads one line from the command descriptor
//     command-all    reads the command descriptor to its end
//     stdin-all      reads standard input to its end
//     exit N         ends with exit code N (default 0)
//     kill           ends by SIGKILL
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int FdOption(int argc, char** argv, const std::string& name) {
  const std::string prefix = "--" + name + "=";
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind(prefix, 0) == 0) return std::atoi(arg.c_str() + prefix.size());
  }
  return -1;
}

std::string OpenFds() {
  std::string list;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return "?";
  std::vector<int> fds;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    if (fd != dirfd(dir)) fds.push_back(fd);
  }
  closedir(dir);
  std::sort(fds.begin(), fds.end());
  for (int fd : fds) list += (list.empty() ? "" : " ") + std::to_string(fd);
  return list;
}

std::string ReadAll(int fd) {
  std::string bytes;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string ReadLine(int fd) {
  std::string line;
  char c;
  while (read(fd, &c, 1) == 1) {
    line += c;
    if (c == '\n') break;
  }
  return line;
}

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Length-prefixed so that any byte, newlines included, survives.
void Field(std::ostream& out, const std::string& name, const std::string& value) {
  out << name << ' ' << value.size() << ':' << value << '\n';
}

}  // namespace

int main(int argc, char** argv) {
  const std::string fds = OpenFds();  // before this program opens anything
  const char* recordPath = std::getenv("AMB_STANDIN_RECORD");
  const char* scriptPath = std::getenv("AMB_STANDIN_SCRIPT");
  const int passphraseFd = FdOption(argc, argv, "passphrase-fd");
  const int commandFd = FdOption(argc, argv, "command-fd");
  const int statusFd = FdOption(argc, argv, "status-fd");

  std::ostringstream record;
  for (int i = 0; i < argc; ++i) Field(record, "arg", argv[i]);
  Field(record, "fds", fds);
  for (int fd = 0; fd <= 2; ++fd) {
    char target[512];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    Field(record, "fd" + std::to_string(fd), n > 0 ? std::string(target, n) : "");
  }
  if (passphraseFd >= 0) Field(record, "passphrase", ReadAll(passphraseFd));

  int exitCode = 0;
  bool killSelf = false;
  std::ifstream script(scriptPath ? scriptPath : "");
  std::string line;
  while (std::getline(script, line)) {
    const auto space = line.find(' ');
    const std::string action = line.substr(0, space);
    const std::string text = space == std::string::npos ? "" : line.substr(space + 1);
    if (action == "status") {
      WriteAll(statusFd, "[GNUPG:] " + text + "\n");
    } else if (action == "stdout") {
      WriteAll(STDOUT_FILENO, text + "\n");
    } else if (action == "command-line") {
      Field(record, "command", ReadLine(commandFd));
    } else if (action == "command-all") {
      Field(record, "command-all", ReadAll(commandFd));
    } else if (action == "stdin-all") {
      Field(record, "stdin", ReadAll(STDIN_FILENO));
    } else if (action == "exit") {
      exitCode = std::atoi(text.c_str());
    } else if (action == "kill") {
      killSelf = true;
    }
  }
  if (recordPath) {
    std::ofstream out(recordPath, std::ios::binary | std::ios::trunc);
    out << record.str();
  }
  if (killSelf) kill(getpid(), SIGKILL);
  return exitCode;
}
