// Reading a whole file into memory.
#pragma once

#include <string>

#include "base/result.h"

namespace ambrine {

// Appends the file's bytes to `bytes`; the descriptor is closed on every
// path. The failure of the open or of a read is returned.
Result ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace ambrine
