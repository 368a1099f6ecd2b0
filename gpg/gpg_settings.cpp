#include "gpg/gpg_settings.h"

#include <sys/stat.h>

#include <filesystem>

#include "base/folders.h"
#include "gpg/keyring_check.h"

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
  // gpg looks a key-ring name without a slash up in its home folder (the
  // conf folder), so each ring goes with its full path. A ring gpg cannot
  // read would make it fail every key look-up: only key rings are added.
  std::error_code ec;
  std::filesystem::path preset = std::filesystem::absolute(programFolder + "preset", ec);
  if (ec) preset = programFolder + "preset";
  for (const std::string& name : PresetKeyringNames(programFolder)) {
    const std::string path = (preset / name).string();
    if (IsPublicKeyringFile(path)) settings.publicKeyrings.push_back(path);
  }
}

bool NeedsKeyPair(const GpgSettings& settings) {
  if (settings.secretKeyrings.empty()) return true;
  struct stat st {};
  if (::stat(settings.secretKeyrings.front().c_str(), &st) != 0) return true;
  return st.st_size == 0;
}

GpgSettings RingSettings(const GpgSettings& settings) {
  GpgSettings rings;
  rings.gpgPath = settings.gpgPath;
  rings.homeFolder = settings.homeFolder;
  rings.secretKeyrings = settings.secretKeyrings;
  rings.publicKeyrings = settings.publicKeyrings;
  return rings;
}

}  // namespace ambrine
