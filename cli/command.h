// One command of ambrine-leaf (show, extract, create, search): it checks
// its arguments, does its work through the leaf core and returns the exit
// status. What the commands share lives here.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "gpg/gpg_settings.h"

namespace ambrine {

// "-" names standard input (a leaf to read) or standard output (a part to
// write).
constexpr const char* kStandardStream = "-";

class Command {
 public:
  virtual ~Command() = default;

  // Does the command as `line` asks; returns the exit status (see
  // exit_status.h), its messages printed on standard error.
  virtual int Run(const CommandLine& line) = 0;

 protected:
  // gpg and the key rings of the conf folder: --homedir, else the window's.
  // Returns 0, or the failure printed and its exit status when there is no
  // conf folder.
  static int FindSettings(const CommandLine& line, GpgSettings& settings);
  // The first line of the file at `path`, without its line end.
  static bool ReadPassphraseFile(const std::string& path, std::string& passphrase);
};

}  // namespace ambrine
