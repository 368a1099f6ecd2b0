// Makes the user's key pair with gpg1: stages the key rings gpg writes
// (StagedKeyRing, so keys already there are kept), runs gpg's batch key
// generation, hands on what gpg says while it works as the text the key
// generation dialog shows (KeyGenerationDisplay), and adds the new key to
// the user's rings only when gpg says it made it and ends well. The key
// counts as made once gpg then lists it as a secret key: a key that did
// not land in the secret ring cannot sign.
#pragma once

#include <functional>
#include <string>

#include "base/report_point.h"
#include "base/result.h"
#include "gpg/gpg_engine.h"
#include "gpg/gpg_settings.h"

namespace ambrine {

class OperationProgress;

// What the user asked for. An empty name, e-mail address or comment is
// left out of the user id; an empty passphrase makes a key without one.
// The caller wipes the passphrase.
struct NewKeyPair {
  KeyGenType type = KeyGenType::DsaElGamal;
  std::string name;
  std::string email;
  std::string comment;
  std::string passphrase;
};

enum class KeyGenerationResult {
  Made,         // the key is in the user's rings and listed as a secret key
  NotMade,      // gpg ran, but no key came of it
  PipeFailed,   // no pipe for gpg's status lines: gpg did not start
  StartFailed,  // gpg could not be started (or refused the parameters)
  Cancelled,    // asked to stop: gpg was stopped and the rings are as they were
};

struct KeyGenerationOutcome {
  KeyGenerationResult result = KeyGenerationResult::NotMade;
  // A failure for the error report, at `reportAt`; null when none.
  Result status = kOk;
  const ReportPoint* reportAt = nullptr;
  std::string fingerprint;  // as gpg named it on KEY_CREATED; may be empty
  int exitCode = -1;        // gpg's, once it ran to its end
  std::string gpgError;     // gpg's line telling why it failed, or ""
};

class KeyGeneration {
 public:
  // Where gpg is and which rings are the user's (the first secret and the
  // first public ring take the new key); copied.
  explicit KeyGeneration(const GpgSettings& settings);

  // Runs gpg to its end on the calling thread. `show` gets each piece of
  // the progress text as gpg writes it (progress characters along one
  // line, every other status line whole). `progress` (may be null) is
  // looked at while gpg works; a cancel stops gpg and ends as Cancelled.
  KeyGenerationOutcome Run(const NewKeyPair& key,
                           const std::function<void(const std::string&)>& show,
                           const OperationProgress* progress);

 private:
  GpgSettings settings_;
};

}  // namespace ambrine
