#include "gpg/key_generation.h"

#include <poll.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>

#include "base/operation_progress.h"
#include "gpg/key_generation_display.h"
#include "gpg/pipe_io.h"
#include "gpg/staged_key_ring.h"
#include "gpg/status_driver.h"

namespace ambrine {

namespace {

// How often a wait for gpg's next status bytes looks whether it was
// cancelled.
constexpr int kCancelLookMs = 100;

// Hands each status line on to the display and notes whether gpg says it
// made the key ("KEY_CREATED <type> <fingerprint>") or not.
class CreationStatus : public StatusHandler {
 public:
  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override {
    // The keyword is empty on a line without the status prefix.
    if (line.keyword == "KEY_NOT_CREATED") {
      notCreated_ = true;
    } else if (line.keyword == "KEY_CREATED") {
      created_ = true;
      // "<type> <fingerprint> [<handle>]"
      std::string_view rest = line.arguments;
      const std::size_t space = rest.find(' ');
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
      fingerprint_.assign(rest.substr(0, rest.find(' ')));
    }
    return display_.OnStatus(line, command);
  }
  // KEY_CREATED came and KEY_NOT_CREATED did not.
  bool created() const { return created_ && !notCreated_; }
  const std::string& fingerprint() const { return fingerprint_; }
  std::string TakeText() { return display_.TakeText(); }

 private:
  KeyGenerationDisplay display_;
  bool created_ = false;
  bool notCreated_ = false;
  std::string fingerprint_;
};

// Reads the status pipe to its end, handing each piece of text on as it
// comes. False when cancelled first.
bool ReadStatus(Fd& statusRead, CreationStatus& creation,
                const std::function<void(const std::string&)>& show,
                const OperationProgress* progress) {
  Fd noCommand;  // key generation asks nothing: its parameters go on standard input
  StatusDriver driver(statusRead, noCommand);
  const auto showNew = [&] {
    const std::string text = creation.TakeText();
    if (!text.empty() && show) show(text);
  };
  char buffer[4096];
  for (;;) {
    if (CancelRequested(progress)) return false;
    pollfd ready{statusRead.get(), POLLIN, 0};
    const int polled = ::poll(&ready, 1, kCancelLookMs);
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) continue;
    const ssize_t n = polled < 0 ? -1 : ::read(statusRead.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // end of data, broken pipe or a failed read
    driver.Feed(std::string_view(buffer, static_cast<std::size_t>(n)), creation);
    showNew();
  }
  driver.Finish(creation);
  showNew();
  return true;
}

// Waits for gpg and notes how it ended: its exit code and its error line.
// The key generation's one place where gpg's end is taken.
bool EndedWell(GpgEngine& engine, KeyGenerationOutcome& outcome) {
  const GpgRunOutcome run = engine.Finish();
  outcome.gpgError = run.errorLine;
  outcome.exitCode = run.exitCode;
  return run.succeeded();
}

// Whether gpg lists the key `fingerprint` (any key when gpg named none) as
// a secret key of the user's rings.
bool IsListedSecretKey(const GpgSettings& settings, const std::string& fingerprint) {
  GpgEngine engine(settings);
  KeyList keys;
  if (Failed(engine.ListKeys(true, keys, nullptr, nullptr))) return false;
  for (const std::string& entry : keys) {
    if (fingerprint.empty()) return true;
    if (::strcasecmp(SplitKeyEntry(entry).fingerprint.c_str(), fingerprint.c_str()) == 0)
      return true;
  }
  return false;
}

const char* TextOrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

KeyGeneration::KeyGeneration(const GpgSettings& settings)
    : settings_(settings) {}

KeyGenerationOutcome KeyGeneration::Run(const NewKeyPair& key,
                                        const std::function<void(const std::string&)>& show,
                                        const OperationProgress* progress) {
  KeyGenerationOutcome outcome;
  Fd statusRead;
  Fd statusWrite;
  if (Result s = CreateInboundPipe(statusRead, statusWrite); Failed(s)) {
    outcome.result = KeyGenerationResult::PipeFailed;
    outcome.status = s;
    outcome.reportAt = &report::kGenkeyPipeFailed;
    return outcome;
  }

  const auto firstOf = [](const std::vector<std::string>& rings) {
    return rings.empty() ? std::string() : rings.front();
  };
  StagedKeyRing secretRing(firstOf(settings_.secretKeyrings));
  StagedKeyRing publicRing(firstOf(settings_.publicKeyrings));
  // No key-ring options: the parameters name the two rings gpg writes.
  GpgEngine engine(settings_.gpgPath, settings_.homeFolder, {}, {});
  engine.CaptureErrors();
  KeyGenRequest request;
  request.type = key.type;
  request.secretKeyring = secretRing.path();
  request.publicKeyring = publicRing.path();
  request.name = TextOrNull(key.name);
  request.email = TextOrNull(key.email);
  request.comment = TextOrNull(key.comment);
  request.passphrase = TextOrNull(key.passphrase);
  request.statusFd = std::move(statusWrite);
  if (Result s = engine.GenerateKey(std::move(request)); Failed(s)) {
    outcome.result = KeyGenerationResult::StartFailed;
    outcome.status = s;
    outcome.reportAt = &report::kGenkeyGpgStartFailed;
    return outcome;  // the engine stops and reaps a gpg that did start
  }

  CreationStatus creation;
  if (!ReadStatus(statusRead, creation, show, progress)) {
    outcome.result = KeyGenerationResult::Cancelled;
    return outcome;  // the engine stops gpg; the staged rings go with it
  }
  statusRead.reset();
  outcome.fingerprint = creation.fingerprint();
  // Only a key gpg says it made, from a gpg that ended well, joins the
  // user's rings.
  if (!EndedWell(engine, outcome) || !creation.created()) return outcome;
  for (StagedKeyRing* ring : {&secretRing, &publicRing}) {
    if (Result s = ring->Commit(); Failed(s) && !outcome.reportAt) {
      outcome.status = s;
      outcome.reportAt = &report::kGenkeyRingAppendFailed;
    }
  }
  if (IsListedSecretKey(settings_, outcome.fingerprint))
    outcome.result = KeyGenerationResult::Made;
  return outcome;
}

}  // namespace ambrine
