#include "leaf/tool/search_command.h"

#include <cstdio>
#include <ctime>

#include "gpg/own_key.h"
#include "leaf/search/search_index.h"
#include "leaf/tool/terminal_progress.h"
#include "leaf/tool/tool_io.h"

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

}  // namespace

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

std::string SearchHitJson(const SearchHit& hit) {
  std::string json = "{\"path\": " + JsonString(hit.path) + ", \"signer\": ";
  if (hit.signerUserId.empty() && hit.signerFingerprint.empty()) {
    json += "null";
  } else {
    json += "{\"uid\": " + JsonString(hit.signerUserId) +
            ", \"fingerprint\": " + JsonString(hit.signerFingerprint) + "}";
  }
  json += ", \"modified\": " + JsonString(Iso8601Utc(hit.mtimeNs)) +
          ", \"snippet\": " + JsonString(hit.snippet) + "}";
  return json;
}

int RunSearch(const GpgSettings& settings, SearchRequest& request) {
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
  for (const SearchHit& hit : outcome.hits) std::printf("%s\n", SearchHitJson(hit).c_str());
  std::fflush(stdout);
  return outcome.hits.empty() ? 1 : 0;
}

}  // namespace ambrine
