// Searching the leaves in folders for words: each leaf's form values, page
// text and attachment names, matched without regard to letter case or to
// compatibility forms (see search_fold.h). Leaves are read by several gpg
// processes at once (one per core); what they give is kept in the
// encrypted search index, so a later search reads only the leaves that
// changed. The window's search dialog and ambrine-leaf both use it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/operation_progress.h"
#include "gpg/gpg_settings.h"
#include "leaf/search/leaf_contents.h"

namespace ambrine {

struct SearchRequest {
  SearchRequest() = default;
  SearchRequest(const SearchRequest&) = delete;
  SearchRequest& operator=(const SearchRequest&) = delete;
  ~SearchRequest();  // wipes the passphrase

  std::vector<std::string> words;    // every one must occur; none matches nothing
  std::vector<std::string> folders;  // searched with their subfolders
  // Answers gpg's passphrase questions when `passphraseGiven`: a leaf made
  // with a passphrase is searched only then, and the user's secret key may
  // need it too.
  std::string passphrase;
  bool passphraseGiven = false;
  std::string indexPath;       // the index file; "" searches without one
  std::string ownFingerprint;  // the key the index is encrypted to
  unsigned processes = 0;      // gpg processes at once; 0 for one per core
};

struct SearchHit {
  std::string path;               // absolute
  std::string signerUserId;       // "" when the leaf has no good signature
  std::string signerFingerprint;  // "" when gpg named none
  std::int64_t mtimeNs = 0;       // the leaf's modification time
  std::string snippet;            // the text around the first word's first match
};

struct SkippedFile {
  std::string path;
  LeafReading reason;  // never LeafReading::Read
};

struct SearchOutcome {
  std::vector<SearchHit> hits;        // by path
  std::vector<SkippedFile> skipped;   // by path; a missing folder is listed too
  bool cancelled = false;             // stopped through the progress; no index written
};

// Searches `request.folders` for the *.gpg files that hold every word.
// `progress` counts the bytes of the leaves gpg reads; a cancel ends the
// search at the next leaf.
SearchOutcome SearchRecords(const GpgSettings& settings, const SearchRequest& request,
                            OperationProgress* progress = nullptr);

// Whether every one of `words` (folded) occurs in the leaf's form values,
// page text or an attachment name; `snippet` then gets the text around the
// first word's first match (form values first, then the page, then names).
bool MatchLeaf(const LeafContents& contents, const std::vector<std::u32string>& words,
               std::string& snippet);

}  // namespace ambrine
