// What one save of a leaf asks of gpg besides the settings: public keys or
// a passphrase, and the file to write. The save options dialog fills it,
// the leaf core's save takes it; the passphrase lives here and nowhere else.
#pragma once

#include <string>
#include <vector>

namespace ambrine {

struct SaveRequest {
  SaveRequest() = default;
  // Not copied: the passphrase must not be left behind in a copy.
  SaveRequest(const SaveRequest&) = delete;
  SaveRequest& operator=(const SaveRequest&) = delete;
  ~SaveRequest();  // wipes the passphrase

  bool publicKeyMode = true;
  // Public-key mode: fingerprints without spaces. The dialog gives the
  // chosen keys; what gpg encrypts to adds the own key (SaveRecipients).
  std::vector<std::string> recipients;
  std::string passphrase;               // passphrase mode; wiped when the save ends
  std::string outputPath;
};

}  // namespace ambrine
