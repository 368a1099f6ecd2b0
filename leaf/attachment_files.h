// Attaching a file to the open form and extracting an attachment to a file:
// gpg moves the bytes between the user's file and the attachment's
// encrypted temporary file, so plaintext never reaches a working file.
#pragma once

#include <string>

#include "base/error_report.h"
#include "base/operation_progress.h"
#include "gpg/gpg_settings.h"
#include "leaf/attachment_store.h"

namespace ambrine {

enum class AttachOutcome {
  Attached,          // a new entry ends the store
  Reported,          // no temporary file could be made; reported
  EncryptionFailed,  // gpg could not encrypt the file; nothing was added
  Cancelled,         // the user stopped it; nothing was added
};

enum class ExtractOutcome {
  Extracted,         // the target holds the attachment
  Reported,          // the target could not be written; reported
  DecryptionFailed,  // gpg could not decrypt the temporary file; target untouched
  Cancelled,         // the user stopped it; target untouched
};

class AttachmentFiles {
 public:
  AttachmentFiles(const GpgSettings& settings, ErrorReport& report)
      : settings_(settings), report_(report) {}

  // Encrypts the file at `path` into a new temporary attachment file under
  // a fresh random passphrase and appends it to `store` under its base
  // name. An entry without its content would only fail later, when the leaf
  // is saved: on failure nothing is added.
  // `progress` (optional) counts the bytes of the file gpg has read; a
  // cancel stops gpg and ends as Cancelled.
  AttachOutcome Attach(const std::string& path, AttachmentStore& store,
                       OperationProgress* progress = nullptr);

  // Decrypts the entry's temporary file into `target`. gpg writes beside
  // it and the target is replaced only by the whole content, so a failure
  // neither leaves a wrong file nor destroys the one that was there.
  ExtractOutcome Extract(const AttachmentEntry& entry, const std::string& target,
                         OperationProgress* progress = nullptr);

  // Why gpg failed in the last Attach (EncryptionFailed) or Extract
  // (DecryptionFailed), in gpg's words (see GpgEngine::ErrorLine); "" when
  // gpg did not fail or said nothing.
  const std::string& gpgError() const { return gpgError_; }

 private:
  const GpgSettings& settings_;
  ErrorReport& report_;
  std::string gpgError_;
};

// The file's name without its folder.
std::string BaseName(const std::string& path);

// The name to propose and show for an attachment whose stored name came
// from a leaf: never a path. Folder parts ('/' and '\\'), leading dots that
// would hide the file, and control characters are dropped; "attachment"
// when nothing is left. The stored name itself stays as it was, so the
// leaf round-trips.
std::string SafeFileName(const std::string& storedName);

}  // namespace ambrine
