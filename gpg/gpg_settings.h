// Where gpg is and which key rings it uses; the save options dialog also
// leaves its choices here for the save flow.
#pragma once

#include <string>
#include <vector>

namespace ambrine {

struct GpgSettings {
  std::string gpgPath = "bin/gpg";
  std::string homeFolder;
  std::vector<std::string> secretKeyrings;
  std::vector<std::string> publicKeyrings;

  // Save fields.
  std::vector<std::string> recipients;  // fingerprints without spaces
  std::string passphrase;               // symmetric mode only
  std::string outputPath;
  int publicKeyMode = 1;                // 1 public keys, 0 passphrase
};

}  // namespace ambrine
