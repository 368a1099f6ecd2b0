// Whether a leaf read for show or extract opened, and if not, the message
// that says why: the core's verdict on the open in the tool's words.
#pragma once

#include <string>

#include "base/result.h"
#include "leaf/deferred_report.h"
#include "leaf/open_check_conversation.h"
#include "leaf/plain_form_page.h"

namespace ambrine {

// After LeafFile::ReadInOnePass of the leaf given as `leafName`: 0 when gpg
// decrypted it and the reader found its message whole; else prints why not
// (with gpg's line `gpgError` where it adds something, and the reader's
// held reports in `report` for a malformed message) and returns the exit
// status. `readInOnePass` is what ReadInOnePass returned; `page` and
// `readResult` what the reader took and how its read ended.
int ReportOpenVerdict(const std::string& leafName, Result readInOnePass,
                      const OpenCheckResult& checked, const PlainFormPage& page,
                      Result readResult, const std::string& gpgError, DeferredReport& report);

}  // namespace ambrine
