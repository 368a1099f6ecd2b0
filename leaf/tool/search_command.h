// ambrine-leaf search: finds the leaves in folders that hold every word and
// prints one JSON object per leaf found.
#pragma once

#include <string>
#include <vector>

#include "gpg/gpg_settings.h"
#include "leaf/search/record_search.h"

namespace ambrine {

// Searches with `request` (its index and own key filled in here from
// `settings`' conf folder), prints a line per hit on standard output and a
// line per skipped file on standard error. Returns the exit code: 0 with
// hits, 1 without.
int RunSearch(const GpgSettings& settings, SearchRequest& request);

// One hit as the tool prints it:
// {"path": "...", "signer": {"uid": "...", "fingerprint": "..."} or null,
//  "modified": "YYYY-MM-DDThh:mm:ssZ", "snippet": "..."}
std::string SearchHitJson(const SearchHit& hit);

// Why a file was skipped, in a few English words.
const char* SkipReasonText(LeafReading reason);

}  // namespace ambrine
