// The verdict on a leaf's open, from what gpg and the reader said.
#include "cli/open_verdict.h"

#include "cli/exit_status.h"
#include "cli/stderr_error_report.h"

namespace ambrine {

namespace {

// Why an open failed, from what gpg said.
std::string OpenFailure(const OpenCheckResult& checked) {
  if (checked.end == OpenCheckEnd::BadPassphrase) return "gpg did not accept the passphrase";
  if (checked.end == OpenCheckEnd::Cancelled) {
    return "a passphrase is needed (use --passphrase-file or a terminal)";
  }
  // gpg cannot tell a wrong symmetric passphrase from damage.
  if (checked.symmetric) return "wrong passphrase (or the file is damaged)";
  return "the file cannot be decrypted (not a leaf, no matching secret key, or damaged)";
}

}  // namespace

int OpenVerdict(const std::string& leafName, Status readInOnePass, const OpenCheckResult& checked,
                Status readStatus, const std::string& gpgError, DeferredReport& report) {
  if (Failed(readInOnePass)) return Fail("cannot open " + leafName);
  // Without a passphrase gpg only fails for want of one: its line adds nothing.
  if (checked.end == OpenCheckEnd::Cancelled) return Fail(OpenFailure(checked));
  if (checked.end != OpenCheckEnd::Finished || !checked.decrypted) {
    return Fail(OpenFailure(checked), gpgError);
  }
  if (Failed(readStatus)) {
    StderrReportWithGpgLines out;
    report.ReplayTo(out);
    return Fail("the leaf message is malformed");
  }
  return kExitSuccess;
}

}  // namespace ambrine
