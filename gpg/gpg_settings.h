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

// The settings for a conf folder: home folder, home/secring.gpg,
// home/pubring.gpg, without the preset key rings yet.
GpgSettings BaseSettings(const std::string& gpgPath, const std::string& confFolder);

// Appends the bare names of preset/*.gpg under the program folder to the
// public key-ring list, sorted by name so every run uses the same order.
void AddPresetKeyrings(const std::string& programFolder, GpgSettings& settings);

// True when the secret key ring is missing or empty: the user needs a key.
bool NeedsKeyPair(const GpgSettings& settings);

}  // namespace ambrine
