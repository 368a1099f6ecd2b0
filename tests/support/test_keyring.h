// Throwaway gpg homes and key rings for tests, made with the real gpg1.
#pragma once

#include <string>

#include "gpg/gpg_settings.h"

namespace ambrine::test {

// A fresh owner-only folder under the temporary folder, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct TestKey {
  std::string userId;
  std::string fingerprint;
};

// Settings for a home folder holding secring.gpg and pubring.gpg, with gpg
// given by its absolute path so tests need no bin/gpg in their folder.
GpgSettings SettingsFor(const std::string& home);

// Generates a DSA 1024 / ElGamal 2048 key pair into home/secring.gpg and
// home/pubring.gpg through GpgEngine::GenerateKey, replacing what those rings
// held (gpg1 rewrites the rings it is told to write). Aborts the test on
// failure.
TestKey MakeKey(const std::string& home, const std::string& name,
                const char* passphrase = nullptr);

// Copies the public key `fingerprint` from one home's key ring into another's.
void CopyPublicKey(const std::string& fromHome, const std::string& toHome,
                   const std::string& fingerprint);

// The whole content of a file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace ambrine::test
