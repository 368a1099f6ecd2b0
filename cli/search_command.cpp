// search: the window's record search, its hits printed as JSON lines.
#include "cli/search_command.h"

#include <cstdio>
#include <ctime>

#include "cli/exit_status.h"
#include "cli/json_writer.h"
#include "cli/terminal_progress.h"
#include "gpg/own_key.h"
#include "leaf/search/record_search.h"
#include "leaf/search/search_index.h"

namespace ambrine {

namespace {

std::string Iso8601Utc(std::int64_t ns) {
  const std::time_t seconds = static_cast<std::time_t>(ns / 1'000'000'000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// Why a file was skipped, in a few English words.
const char* SkipReasonText(LeafReading reason) {
  switch (reason) {
    case LeafReading::Read: return "read";
    case LeafReading::NotEncrypted: return "not an encrypted leaf";
    case LeafReading::Unreadable: return "cannot be read";
    case LeafReading::NotDecryptable: return "no secret key of yours opens it";
    case LeafReading::NeedsPassphrase: return "made with a passphrase (give --passphrase-file)";
    case LeafReading::WrongPassphrase: return "the passphrase did not open it";
    case LeafReading::KeyNeedsPassphrase: return "your secret key needs its passphrase (give --passphrase-file)";
    case LeafReading::Broken: return "damaged: not a whole leaf";
  }
  return "skipped";
}

void WriteHit(JsonWriter& json, const SearchHit& hit) {
  json.BeginObject().Key("path").String(hit.path).Key("signer");
  if (hit.signerUserId.empty() && hit.signerFingerprint.empty()) {
    json.Null();
  } else {
    json.BeginObject()
        .Key("uid").String(hit.signerUserId)
        .Key("fingerprint").String(hit.signerFingerprint)
        .EndObject();
  }
  json.Key("modified").String(Iso8601Utc(hit.mtimeNs)).Key("snippet").String(hit.snippet);
  json.EndObject();
}

}  // namespace

int SearchCommand::Run(const CommandLine& line) {
  const std::size_t separator = line.positionalBeforeSeparator;
  if (separator == SIZE_MAX) return Usage("search needs WORD... -- FOLDER...");
  if (separator == 0) return Usage("search needs at least one word");
  if (separator == line.positional.size()) return Usage("search needs at least one folder");
  GpgSettings settings;
  if (const int status = FindSettings(line, settings)) return status;
  SearchRequest request;
  request.words.assign(line.positional.begin(), line.positional.begin() + separator);
  request.folders.assign(line.positional.begin() + separator, line.positional.end());
  if (!line.passphraseFile.empty()) {
    if (!ReadPassphraseFile(line.passphraseFile, request.passphrase)) {
      return Fail("cannot read the passphrase file " + line.passphraseFile);
    }
    request.passphraseGiven = true;
  }
  request.indexPath = SearchIndex::PathIn(settings.homeFolder);
  request.ownFingerprint = ReadOwnKey(settings).fingerprint;

  OperationProgress progress;
  SearchOutcome outcome;
  {
    TerminalProgress shown(progress, "searching");
    outcome = SearchRecords(settings, request, &progress);
  }
  for (const SkippedFile& skipped : outcome.skipped) {
    std::fprintf(stderr, "ambrine-leaf: skipped %s: %s\n", skipped.path.c_str(),
                 SkipReasonText(skipped.reason));
  }
  JsonWriter json;
  for (const SearchHit& hit : outcome.hits) {
    WriteHit(json, hit);
    if (!json.PrintLine()) return Fail("cannot write to standard output");
  }
  return outcome.hits.empty() ? kExitFailure : kExitSuccess;
}

}  // namespace ambrine
