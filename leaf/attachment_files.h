// Attaching a file to the open form, extracting an attachment to a file and
// reading one into memory to view it: gpg moves the bytes between the
// user's file (or the program's memory) and the attachment's encrypted
// temporary file, so plaintext never reaches a working file.
#pragma once

#include <cstddef>
#include <string>

#include "base/error_report.h"
#include "base/operation_progress.h"
#include "gpg/gpg_settings.h"
#include "leaf/attachment_store.h"
#include "leaf/wiped_bytes.h"

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

enum class ReadOutcome {
  Read,              // the buffer holds the whole attachment
  Reported,          // no pipe, the temporary file or gpg could not be used; reported
  DecryptionFailed,  // gpg could not decrypt the temporary file; buffer empty
  TooLarge,          // larger than kMaxReadIntoMemory; buffer empty
  Cancelled,         // the user stopped it; buffer empty
};

// The most an attachment read into memory may hold. A viewer holds the
// bytes whole (and the web engine its own copy beside them), so a larger
// attachment is refused with a message rather than risking the memory of
// the whole desktop; such a file is extracted instead.
inline constexpr std::size_t kMaxReadIntoMemory = std::size_t{512} << 20;  // 512 MiB

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

  // Decrypts the entry's temporary file through a pipe into `bytes`: no
  // file is made, and the bytes live only in that buffer, which wipes what
  // it held whenever it grows and when it is released. On every outcome but
  // Read the buffer is left wiped and empty. A content over
  // kMaxReadIntoMemory stops gpg at once and ends as TooLarge.
  // `progress` (optional) counts the bytes read of the temporary file's
  // size; a cancel stops gpg and ends as Cancelled.
  ReadOutcome ReadIntoMemory(const AttachmentEntry& entry, WipedBytes& bytes,
                             OperationProgress* progress = nullptr);

  // Why gpg failed in the last Attach (EncryptionFailed), Extract or
  // ReadIntoMemory (DecryptionFailed), in gpg's words (see
  // GpgRunOutcome::errorLine); "" when gpg did not fail or said nothing.
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
