// Whether a leaf read for show or extract opened, and if not, the message
// that says why.
#pragma once

#include <string>

#include "base/status.h"
#include "leaf/deferred_report.h"
#include "leaf/open_check_conversation.h"

namespace ambrine {

// After LeafFile::ReadInOnePass of the leaf given as `leafName`: 0 when gpg
// decrypted it and the reader found its message whole; else prints why not
// (with gpg's line `gpgError` where it adds something, and the reader's
// held reports in `report` for a malformed message) and returns the exit
// status. `readInOnePass` is what ReadInOnePass returned, `readStatus` what
// the reader found.
int OpenVerdict(const std::string& leafName, Status readInOnePass, const OpenCheckResult& checked,
                Status readStatus, const std::string& gpgError, DeferredReport& report);

}  // namespace ambrine
