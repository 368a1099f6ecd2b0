// Where the tool finds gpg and the key rings: the window's folder rules, so
// a leaf made by one opens in the other.
#pragma once

#include <string>

#include "base/result.h"
#include "gpg/gpg_settings.h"

namespace ambrine {

// The window's conf folder for this program folder; kFailure when the
// user's data folder is unknown.
Result DefaultHomeFolder(std::string& home);

// gpg as the window finds it (else /usr/bin/gpg1 when there is none), key
// rings secring.gpg and pubring.gpg in `home`, plus the preset key rings.
GpgSettings ToolSettings(const std::string& home);

}  // namespace ambrine
