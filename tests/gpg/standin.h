// Drives the gpg stand-in: writes its script, points an engine at it and
// reads back what it recorded.
#pragma once

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "gpg/gpg_settings.h"
#include "support/test_keyring.h"

namespace ambrine::test {

struct StandInRecord {
  bool exists = false;
  std::vector<std::string> argv;
  std::map<std::string, std::vector<std::string>> fields;  // every other field, in order
  std::string First(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() || it->second.empty() ? std::string() : it->second.front();
  }
  bool Has(const std::string& name) const { return fields.count(name) > 0; }
};

class StandIn {
 public:
  // `script`: the actions, one per line (see gpg_standin.cpp).
  explicit StandIn(const std::string& script = "") {
    WriteFile(dir_.File("script"), script);
    ::setenv("AMB_STANDIN_SCRIPT", dir_.File("script").c_str(), 1);
    ::setenv("AMB_STANDIN_RECORD", dir_.File("record").c_str(), 1);
  }
  ~StandIn() {
    ::unsetenv("AMB_STANDIN_SCRIPT");
    ::unsetenv("AMB_STANDIN_RECORD");
  }

  GpgSettings Settings() const {
    GpgSettings settings;
    settings.gpgPath = AMBRINE_STANDIN;
    settings.homeFolder = dir_.path();
    settings.secretKeyrings = {dir_.File("secring.gpg")};
    settings.publicKeyrings = {dir_.File("pubring.gpg")};
    return settings;
  }
  const TempDir& dir() const { return dir_; }

  StandInRecord Record() const {
    StandInRecord record;
    const std::string bytes = ReadFile(dir_.File("record"));
    record.exists = !bytes.empty();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
      const auto space = bytes.find(' ', pos);
      const auto colon = bytes.find(':', space);
      const std::string name = bytes.substr(pos, space - pos);
      const std::size_t length = std::stoul(bytes.substr(space + 1, colon - space - 1));
      std::string value = bytes.substr(colon + 1, length);
      pos = colon + 1 + length + 1;  // value and its '\n'
      if (name == "arg") record.argv.push_back(std::move(value));
      else record.fields[name].push_back(std::move(value));
    }
    return record;
  }

  // The argv the engine's fixed part gives for this stand-in, followed by
  // the descriptor options and `arguments`.
  std::vector<std::string> ExpectedArgv(const std::vector<std::string>& tail) const {
    std::vector<std::string> argv{AMBRINE_STANDIN,  "--no-random-seed-file", "--no-default-keyring",
                                  "--always-trust", "--utf8-strings",        "--cipher-algo",
                                  "AES256",         "--no-tty",              "--force-mdc",
                                  "--homedir=" + dir_.path(),
                                  "--keyring=" + dir_.File("pubring.gpg"),
                                  "--secret-keyring=" + dir_.File("secring.gpg")};
    argv.insert(argv.end(), tail.begin(), tail.end());
    return argv;
  }

 private:
  TempDir dir_;
};

}  // namespace ambrine::test
