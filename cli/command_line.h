// What follows the command on the tool's command line: the options every
// command accepts, parsed with getopt_long, and the arguments around "--".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ambrine {

struct CommandLine {
  std::string home;            // --homedir
  std::string passphraseFile;  // --passphrase-file
  bool reencrypt = false;      // --reencrypt
  std::string document;        // --document
  std::string form;            // --form
  std::string output;          // -o / --output, or --attachment's OUT
  bool attachmentWanted = false;
  int attachmentIndex = -1;    // --attachment's INDEX
  std::vector<std::string> recipients;   // --recipient, in order
  std::vector<std::string> attachments;  // --attach, in order
  bool symmetric = false;      // --symmetric
  // The arguments that are no options, in order ("-" among them), those
  // after "--" included.
  std::vector<std::string> positional;
  // How many of `positional` stood before "--"; SIZE_MAX without one.
  std::size_t positionalBeforeSeparator = SIZE_MAX;

  // Parses `argv[1]` to `argv[argc - 1]` (argv[0] is the command's name).
  // Options may stand before, between and after the other arguments until
  // "--"; everything after it is an argument. Each long option takes its
  // value as the next argument or attached with "=", and only as spelled in
  // full; "-" is an argument. Returns 0, or 2 after printing the usage
  // error on standard error.
  int Parse(int argc, char** argv);
};

}  // namespace ambrine
