#include "base/folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ambrine {

namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

StartupEnvironment CurrentEnvironment() {
  StartupEnvironment env;
  env.xdgDataHome = Env("XDG_DATA_HOME");
  env.home = Env("HOME");
  std::error_code ec;
  env.currentFolder = fs::current_path(ec).string();
  return env;
}

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "./";
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

Result ConfFolderFor(const std::string& programFolder, const StartupEnvironment& env,
                     std::string& confFolder, bool& perUser) {
  perUser = Exists(programFolder + "INSTALL");
  if (!perUser) {
    confFolder = programFolder + "conf";
    return kOk;
  }
  // Only an absolute $XDG_DATA_HOME counts, as the XDG rules say.
  std::string data = env.xdgDataHome;
  if (data.empty() || data.front() != '/') {
    if (env.home.empty()) return kFailure;
    data = env.home + "/.local/share";
  }
  while (data.size() > 1 && data.back() == '/') data.pop_back();
  confFolder = data + "/Ambrine/conf";
  return kOk;
}

Result PrepareConfFolder(const std::string& confFolder, bool perUser) {
  if (IsDirectory(confFolder)) return kOk;
  if (perUser) {
    std::error_code ec;
    fs::create_directories(confFolder, ec);
    if (ec) return ResultFromErrno(ec.value());
    ::chmod(confFolder.c_str(), 0700);
    return kOk;
  }
  // The key rings are private: the folder is the owner's alone.
  if (::mkdir(confFolder.c_str(), 0700) != 0) return LastErrorResult();
  return kOk;
}

std::string GpgPathFor(const std::string& programFolder, const StartupEnvironment& env) {
  const std::string relative = "bin/gpg";
  // An installed copy is started from wherever the user happens to be: a
  // bin/gpg found there (a wrapper for another gpg, or a stranger's file in
  // a downloaded folder) must not be run on the user's keys.
  if (Exists(programFolder + "INSTALL")) return programFolder + relative;
  if (!env.currentFolder.empty() && ::access((env.currentFolder + "/" + relative).c_str(), X_OK) == 0)
    return relative;
  return programFolder + relative;
}

std::vector<std::string> PresetKeyringNames(const std::string& programFolder) {
  std::vector<std::string> names;
  const std::string preset = programFolder + "preset";
  if (!IsDirectory(preset)) return names;
  std::error_code ec;
  for (fs::directory_iterator it(preset, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".gpg") == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string PresetFormPath(const std::string& programFolder) {
  const std::string preset = programFolder + "preset";
  if (!IsDirectory(preset)) return "";
  const std::string form = preset + "/index.html";
  return Exists(form) ? form : "";
}

}  // namespace ambrine
