// Where the tool finds gpg and the key rings: the same places the window
// uses, so a leaf made by one opens in the other.
#pragma once

#include <string>

#include "gpg/gpg_settings.h"

namespace ambrine {

// The folder of the running executable, with a trailing "/".
std::string ProgramFolder();
// The window's conf folder: program folder + "conf", or, when an "INSTALL"
// entry sits beside the program, $XDG_DATA_HOME (else ~/.local/share) +
// "/Ambrine/conf".
std::string DefaultHomeFolder();
// gpg = program folder + "bin/gpg" (else /usr/bin/gpg1); key rings
// secring.gpg and pubring.gpg in `home`, plus preset/*.gpg by bare name.
GpgSettings ToolSettings(const std::string& home);

}  // namespace ambrine
