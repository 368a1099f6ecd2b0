#include "support/test_keyring.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"

namespace ambrine::test {

namespace {

// Records the failure and ends the current test (gtest reports the exception).
[[noreturn]] void Abort(const std::string& what) {
  ADD_FAILURE() << what;
  throw std::runtime_error(what);
}

KeyList ListSecretKeys(const std::string& home) {
  GpgEngine engine(SettingsFor(home));
  KeyList keys;
  const Result s = engine.ListKeys(true, keys, nullptr, nullptr);
  if (Failed(s)) Abort("listing secret keys in " + home + ": " + ResultText(s));
  return keys;
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/ambtest-XXXXXX";
  if (!::mkdtemp(pattern.data())) Abort("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

GpgSettings SettingsFor(const std::string& home) {
  GpgSettings settings;
  settings.gpgPath = AMBRINE_GPG1;
  settings.homeFolder = home;
  settings.secretKeyrings = {home + "/secring.gpg"};
  settings.publicKeyrings = {home + "/pubring.gpg"};
  return settings;
}

TestKey MakeKey(const std::string& home, const std::string& name, const char* passphrase) {
  const KeyList before = std::filesystem::exists(home + "/secring.gpg") ? ListSecretKeys(home)
                                                                          : KeyList{};
  {
    GpgEngine engine(SettingsFor(home));
    Fd status;
    KeyGenRequest request;
    request.secretKeyring = home + "/secring.gpg";
    request.publicKeyring = home + "/pubring.gpg";
    request.name = name.c_str();
    request.passphrase = passphrase;
    if (Failed(CreateInboundPipe(status, request.statusFd))) Abort("status pipe");
    const Result s = engine.GenerateKey(std::move(request));
    if (Failed(s)) Abort("GenerateKey: " + ResultText(s));
    std::string line;
    std::size_t consumed = 0;
    bool created = false;
    while (Succeeded(ReadPipeLine(status.get(), line, &consumed)) && consumed > 0) {
      if (line.rfind("[GNUPG:] KEY_CREATED ", 0) == 0) created = true;
    }
    const GpgRunOutcome run = engine.Finish();
    if (!run.succeeded() || !created)
      Abort("gpg did not create the key for " + name + " (exit " + std::to_string(run.exitCode) + ")");
  }
  for (const auto& entry : ListSecretKeys(home)) {
    if (std::find(before.begin(), before.end(), entry) != before.end()) continue;
    const KeyEntry key = SplitKeyEntry(entry);
    return {key.userId, key.fingerprint};
  }
  Abort("the new key of " + name + " is not in " + home);
}

void CopyPublicKey(const std::string& fromHome, const std::string& toHome,
                   const std::string& fingerprint) {
  TempDir scratch;
  const std::string file = scratch.File("key.gpg");
  {
    GpgEngine engine(SettingsFor(fromHome));
    if (Result s = engine.ExportKey(fingerprint, file, nullptr); Failed(s))
      Abort("exporting " + fingerprint + ": " + ResultText(s));
  }
  GpgEngine engine(SettingsFor(toHome));
  if (Result s = engine.ImportKeys(file, nullptr); Failed(s))
    Abort("importing " + fingerprint + ": " + ResultText(s));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Abort("cannot write " + path);
}

}  // namespace ambrine::test
