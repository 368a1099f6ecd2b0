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

// Appends the full paths of the preset/*.gpg files under the program folder
// that are public key rings (IsPublicKeyringFile) to the public key-ring
// list, sorted by name so every run uses the same order. Other files there,
// such as a leaf saved beside the preset form, are left out.
void AddPresetKeyrings(const std::string& programFolder, GpgSettings& settings);

// Where gpg is and the key rings, without the save fields (a passphrase
// among them): what an operation that keeps its own copy takes.
GpgSettings RingSettings(const GpgSettings& settings);

// True when the secret key ring is missing or empty: the user needs a key.
bool NeedsKeyPair(const GpgSettings& settings);

}  // namespace ambrine
