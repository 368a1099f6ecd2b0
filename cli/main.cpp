// ambrine-leaf: shows, extracts, creates and searches leaf files from the
// command line, with the same gpg, key rings and message code as the window.
// This file picks the command and answers --help and --version; each
// command does its own work (see command.h).
#include <cstdio>
#include <memory>
#include <string>

#include "base/core_dumps.h"
#include "base/network_sockets.h"
#include "cli/command_line.h"
#include "cli/create_command.h"
#include "cli/exit_status.h"
#include "cli/extract_command.h"
#include "cli/search_command.h"
#include "cli/show_command.h"

namespace ambrine {
namespace {

constexpr const char* kHelp = R"(Usage:
  ambrine-leaf show    [OPTIONS] LEAF
  ambrine-leaf extract [OPTIONS] LEAF (--document OUT | --form OUT | --attachment INDEX OUT)
  ambrine-leaf create  [--homedir DIR] (--recipient FPR ... | --symmetric --passphrase-file FILE)
                       --document PAGE.html [--form FILE] [--attach FILE ...] -o LEAF
  ambrine-leaf search  [--homedir DIR] [--passphrase-file FILE] WORD... -- FOLDER...

show      decrypts and verifies LEAF and prints one JSON object:
          {"decrypted": true, "signatures": [{"keyid": "...", "uid": "...",
             "fingerprint": "...", "own": false}], "unknown_signers": [{"keyid": "..."}],
           "document": {"bytes": N, "sha256": "..."}, "form": "...",
           "attachments": [{"index": 0, "name": "...", "bytes": N, "sha256": "..."}]}
          "signatures" are the good ones: "fingerprint" is the signer's primary
          key ("" when gpg did not name it), "own" tells the first secret key's;
          "unknown_signers" signed with a key whose public key is missing.
extract   writes the saved page, the form text or one attachment to OUT.
create    writes a leaf as the window's save does: signed with the first secret
          key, encrypted to the recipients plus that key, or with the passphrase
          (--symmetric). Attachments first go through temporary files as the
          window's attachFile does.
search    finds the *.gpg leaves under the FOLDERs (and their subfolders) that
          hold every WORD in their form values, page text or attachment names,
          ignoring letter case and compatibility forms such as full-width and
          half-width (NFKC with case folding). Prints one
          JSON object per leaf found, one per line:
          {"path": "...", "signer": {"uid": "...", "fingerprint": "..."} or null,
           "modified": "2026-01-31T09:00:00Z", "snippet": "..."}
          Files it cannot search are named on standard error. What it read
          is kept in the search index in the home folder ("search-index"),
          encrypted to the first secret key, so the next search reads only
          leaves that changed. Leaves made with a passphrase are searched
          only with --passphrase-file and never kept in the index.

Options (each long option also as --option=value; "-" as LEAF reads the leaf
from standard input, "-" as OUT writes to standard output):
  --homedir DIR          key rings secring.gpg and pubring.gpg (plus preset/*.gpg
                         beside the program). Default: the window's conf folder,
                         the program folder + "conf", or, when an INSTALL entry is
                         beside the program, $XDG_DATA_HOME (else ~/.local/share)
                         + "/Ambrine/conf".
  --passphrase-file FILE the leaf's passphrase (its first line); for create with
                         --recipient, the secret key's. Without it a
                         passphrase gpg needs is asked on the terminal (search
                         asks nothing: it skips what needs a passphrase). For
                         search it also answers the secret key's passphrase.
  --reencrypt            (show) store each attachment in a temporary file under
                         a fresh passphrase, as the window does on open.
  --help, -h             this text.
  --version              the program's name and version.
  --                     what follows is LEAF, even when it starts with "-".

gpg is the program folder's bin/gpg, else /usr/bin/gpg1.

Exit status:
  0  success (search: at least one leaf found)
  1  failure: the leaf cannot be read, decrypted or written (the reason on
     standard error, with gpg's own line when it gave one); search: no leaf
     found
  2  wrong usage
)";

// The command called `name`, or null for none.
std::unique_ptr<Command> CommandNamed(const std::string& name) {
  if (name == "show") return std::make_unique<ShowCommand>();
  if (name == "extract") return std::make_unique<ExtractCommand>();
  if (name == "create") return std::make_unique<CreateCommand>();
  if (name == "search") return std::make_unique<SearchCommand>();
  return nullptr;
}

int Main(int argc, char** argv) {
  // --help and --version anywhere before "--" answer at once, whatever
  // else the line holds.
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") {
      std::fputs(kHelp, stdout);
      return kExitSuccess;
    }
    if (argument == "--version") {
      std::printf("ambrine-leaf %s\n", AMBRINE_VERSION);
      return kExitSuccess;
    }
  }
  if (argc < 2) return Usage("no command");
  const std::unique_ptr<Command> command = CommandNamed(argv[1]);
  if (command == nullptr) return Usage(std::string("unknown command ") + argv[1]);
  // The command's name stands where getopt_long expects the program's.
  CommandLine line;
  if (const int status = line.Parse(argc - 1, argv + 1)) return status;
  return command->Run(line);
}

}  // namespace
}  // namespace ambrine

int main(int argc, char** argv) {
  ambrine::DisableCoreDumps();
  // The tool needs no network, nor does the gpg it runs; a kernel without
  // the filter only loses that guard.
  ambrine::ForbidNetworkSockets();
  return ambrine::Main(argc, argv);
}
