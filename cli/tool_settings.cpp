// The tool's gpg and key rings, found by the window's folder rules.
#include "cli/tool_settings.h"

#include <unistd.h>

#include "base/folders.h"

namespace ambrine {

Result DefaultHomeFolder(std::string& home) {
  bool perUser = false;
  return ConfFolderFor(ProgramFolder(), CurrentEnvironment(), home, perUser);
}

GpgSettings ToolSettings(const std::string& home) {
  const std::string program = ProgramFolder();
  std::string gpg = GpgPathFor(program, CurrentEnvironment());
  // The tool may run where no program folder is; gpg1 itself then serves.
  if (::access(gpg.c_str(), X_OK) != 0) gpg = "/usr/bin/gpg1";
  GpgSettings settings = BaseSettings(gpg, home);
  AddPresetKeyrings(program, settings);
  return settings;
}

}  // namespace ambrine
