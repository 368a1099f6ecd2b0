// The tool's options through getopt_long. The optstring starts with "-" so
// that getopt_long hands every argument back in place (code 1) instead of
// moving the options first: what stood before "--" stays apart from what
// followed it, which search needs for WORD... -- FOLDER..., and that holds
// whatever POSIXLY_CORRECT says. getopt_long's own messages are off
// (opterr = 0): the tool words its usage errors itself.
#include "cli/command_line.h"

#include <getopt.h>

#include <cstdlib>
#include <string_view>

#include "cli/exit_status.h"

namespace ambrine {

namespace {

// getopt_long's codes for the long options; -o is 'o'.
enum OptionCode : int {
  kHomedir = 256,
  kPassphraseFile,
  kReencrypt,
  kDocument,
  kForm,
  kAttachment,
  kRecipient,
  kSymmetric,
  kAttach,
  kOutput = 'o',
};

constexpr const char* kShortOptions = "-:o:";

const option kLongOptions[] = {
    {"homedir", required_argument, nullptr, kHomedir},
    {"passphrase-file", required_argument, nullptr, kPassphraseFile},
    {"reencrypt", no_argument, nullptr, kReencrypt},
    {"document", required_argument, nullptr, kDocument},
    {"form", required_argument, nullptr, kForm},
    {"attachment", required_argument, nullptr, kAttachment},
    {"recipient", required_argument, nullptr, kRecipient},
    {"symmetric", no_argument, nullptr, kSymmetric},
    {"attach", required_argument, nullptr, kAttach},
    {"output", required_argument, nullptr, kOutput},
    {nullptr, 0, nullptr, 0},
};

// The usage error when an option's value is missing.
const char* MissingValue(int code) {
  switch (code) {
    case kHomedir: return "--homedir needs a folder";
    case kPassphraseFile: return "--passphrase-file needs a file";
    case kDocument: return "--document needs a file";
    case kForm: return "--form needs a file";
    case kAttachment: return "--attachment needs INDEX and OUT";
    case kRecipient: return "--recipient needs a fingerprint";
    case kAttach: return "--attach needs a file";
    case kOutput: return "-o needs a file";
  }
  return "an option needs a value";
}

// The option an argument names as written, "=value" left off. getopt_long
// also takes an unambiguous abbreviation ("--home") and a value glued to a
// short option ("-ofile"); the tool takes neither, so that a shortened
// option can never come to mean another one.
std::string_view WrittenName(std::string_view argument) {
  if (argument.rfind("--", 0) == 0) return argument.substr(0, argument.find('='));
  return argument;
}

bool NamesAnOption(std::string_view written) {
  if (written == "-o") return true;
  if (written.rfind("--", 0) != 0) return false;
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    if (written.substr(2) == o->name) return true;
  }
  return false;
}

}  // namespace

int CommandLine::Parse(int argc, char** argv) {
  opterr = 0;
  optind = 0;  // glibc starts afresh
  for (;;) {
    // The argument getopt_long is about to read: with "-" first in the
    // optstring nothing is moved, so it is argv[optind].
    const int at = optind == 0 ? 1 : optind;
    const int code = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (code == -1) {
      // getopt_long stops at the end, or after skipping "--".
      if (at < argc) {
        positionalBeforeSeparator = positional.size();
        positional.insert(positional.end(), argv + optind, argv + argc);
      }
      return 0;
    }
    if (code == 1) {
      positional.emplace_back(optarg);
      continue;
    }
    const std::string written(WrittenName(argv[at]));
    if (!NamesAnOption(written)) return Usage("unknown option " + written);
    if (code == '?') return Usage(written + " takes no value");  // the only other '?'
    if (code == ':') return Usage(MissingValue(optopt));
    switch (code) {
      case kHomedir: home = optarg; break;
      case kPassphraseFile: passphraseFile = optarg; break;
      case kReencrypt: reencrypt = true; break;
      case kDocument: document = optarg; break;
      case kForm: form = optarg; break;
      case kRecipient: recipients.emplace_back(optarg); break;
      case kSymmetric: symmetric = true; break;
      case kAttach: attachments.emplace_back(optarg); break;
      case kOutput: output = optarg; break;
      case kAttachment: {
        // INDEX is the option's value, OUT the argument after it.
        if (optind >= argc) return Usage(MissingValue(kAttachment));
        const std::string index = optarg;
        output = argv[optind++];
        char* end = nullptr;
        const long value = std::strtol(index.c_str(), &end, 10);
        if (index.empty() || *end != '\0' || value < 0 || value > 1000000) {
          return Usage("bad INDEX " + index);
        }
        attachmentWanted = true;
        attachmentIndex = static_cast<int>(value);
        break;
      }
    }
  }
}

}  // namespace ambrine
