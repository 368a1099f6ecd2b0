// What the tool's commands share: the conf folder and passphrase files.
#include "cli/command.h"

#include "base/whole_file.h"
#include "cli/exit_status.h"
#include "cli/tool_settings.h"

namespace ambrine {

int Command::FindSettings(const CommandLine& line, GpgSettings& settings) {
  std::string home = line.home;
  if (home.empty() && Failed(DefaultHomeFolder(home))) {
    return Fail("no conf folder: $HOME is not set; use --homedir");
  }
  settings = ToolSettings(home);
  return kExitSuccess;
}

bool Command::ReadPassphraseFile(const std::string& path, std::string& passphrase) {
  if (Failed(ReadWholeFile(path, passphrase))) return false;
  std::size_t end = passphrase.find_first_of("\r\n");
  if (end != std::string::npos) passphrase.resize(end);
  return true;
}

}  // namespace ambrine
