// Runs the search the search dialog asks for: gpg reads the leaves on a
// worker thread behind the progress dialog, and the dialog then shows what
// was found.
#pragma once

namespace ambrine {

class SearchDialog;
struct GpgSettings;

// Searches the dialog's folder for its words, with the passphrase typed
// there (taken from the box and wiped afterwards), keeping the search index
// in the conf folder of `settings`. A cancelled search leaves the list as
// it was.
void RunSearch(const GpgSettings& settings, SearchDialog& dialog);

}  // namespace ambrine
