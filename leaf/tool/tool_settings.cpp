#include "tool_settings.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace ambrine {

std::string ProgramFolder() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return "./";
  path.resize(static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string DefaultHomeFolder() {
  const std::string program = ProgramFolder();
  struct stat info {};
  if (::stat((program + "INSTALL").c_str(), &info) != 0) return program + "conf";
  const char* data = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data != nullptr && *data == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/Ambrine/conf";
}

GpgSettings ToolSettings(const std::string& home) {
  GpgSettings settings;
  const std::string program = ProgramFolder();
  settings.gpgPath = program + "bin/gpg";
  if (::access(settings.gpgPath.c_str(), X_OK) != 0) settings.gpgPath = "/usr/bin/gpg1";
  settings.homeFolder = home;
  settings.secretKeyrings.push_back(home + "/secring.gpg");
  settings.publicKeyrings.push_back(home + "/pubring.gpg");
  // gpg looks a key-ring name without a slash up in its home folder.
  if (DIR* dir = ::opendir((program + "preset").c_str())) {
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".gpg") == 0) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (auto& name : names) settings.publicKeyrings.push_back(name);
  }
  return settings;
}

}  // namespace ambrine
