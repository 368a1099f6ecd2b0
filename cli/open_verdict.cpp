// The tool's words for the core's verdict on a leaf's open.
#include "cli/open_verdict.h"

#include "cli/exit_status.h"
#include "cli/stderr_error_report.h"
#include "leaf/open_verdict.h"

namespace ambrine {

namespace {

// Why an open failed, in the tool's words.
std::string OpenFailure(OpenVerdict verdict) {
  switch (verdict) {
    case OpenVerdict::PassphraseRejected: return "gpg did not accept the passphrase";
    case OpenVerdict::PassphraseNeeded:
    case OpenVerdict::AnswersRanOut:
      return "a passphrase is needed (use --passphrase-file or a terminal)";
    case OpenVerdict::WrongPassphrase: return "wrong passphrase (or the file is damaged)";
    case OpenVerdict::NotALeaf:
    case OpenVerdict::ReadInPart: return "the leaf message is malformed";
    case OpenVerdict::NotDecryptable:
    case OpenVerdict::Read: break;
  }
  return "the file cannot be decrypted (not a leaf, no matching secret key, or damaged)";
}

}  // namespace

int ReportOpenVerdict(const std::string& leafName, Result readInOnePass,
                      const OpenCheckResult& checked, const PlainFormPage& page,
                      Result readResult, const std::string& gpgError, DeferredReport& report) {
  if (Failed(readInOnePass)) return Fail("cannot open " + leafName);
  const OpenVerdict verdict = JudgeOpen(checked, page, readResult);
  switch (verdict) {
    case OpenVerdict::Read: return kExitSuccess;
    // Without a passphrase gpg only fails for want of one: its line adds nothing.
    case OpenVerdict::PassphraseNeeded:
    case OpenVerdict::AnswersRanOut: return Fail(OpenFailure(verdict));
    case OpenVerdict::NotALeaf:
    case OpenVerdict::ReadInPart: {
      StderrReportWithGpgLines out;
      report.ReplayTo(out);
      return Fail(OpenFailure(verdict));
    }
    default: return Fail(OpenFailure(verdict), gpgError);
  }
}

}  // namespace ambrine
