// ambrine-leaf search: finds the leaves under FOLDERs that hold every WORD
// and prints one JSON object per leaf found, one per line:
// {"path": "...", "signer": {"uid": "...", "fingerprint": "..."} or null,
//  "modified": "YYYY-MM-DDThh:mm:ssZ", "snippet": "..."}
// Each file it skipped is named on standard error with the reason.
#pragma once

#include "cli/command.h"

namespace ambrine {

class SearchCommand : public Command {
 public:
  // WORD... -- FOLDER...; searches with the conf folder's index and own key.
  // Exit status 0 with hits, 1 without (or when they cannot be printed).
  int Run(const CommandLine& line) override;
};

}  // namespace ambrine
