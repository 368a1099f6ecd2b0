#include "gpg/gpg_settings.h"

#include <sys/stat.h>

#include "base/folders.h"

namespace ambrine {

GpgSettings BaseSettings(const std::string& gpgPath, const std::string& confFolder) {
  GpgSettings settings;
  settings.gpgPath = gpgPath;
  settings.homeFolder = confFolder;
  settings.secretKeyrings.push_back(confFolder + "/secring.gpg");
  settings.publicKeyrings.push_back(confFolder + "/pubring.gpg");
  return settings;
}

void AddPresetKeyrings(const std::string& programFolder, GpgSettings& settings) {
  // gpg looks a key-ring name without a slash up in its home folder.
  for (std::string& name : PresetKeyringNames(programFolder)) {
    settings.publicKeyrings.push_back(std::move(name));
  }
}

bool NeedsKeyPair(const GpgSettings& settings) {
  if (settings.secretKeyrings.empty()) return true;
  struct stat st {};
  if (::stat(settings.secretKeyrings.front().c_str(), &st) != 0) return true;
  return st.st_size == 0;
}

}  // namespace ambrine
