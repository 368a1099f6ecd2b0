// Writes the leaf message (the plaintext of a leaf file) into gpg's standard
// input: a multipart/mixed message with the page's document, the form text
// and every attachment, each Base64 in lines of 72 characters, CR LF line
// ends. The message is streamed; attachment plaintext never reaches disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/fd.h"
#include "base/operation_progress.h"
#include "leaf/buffered_writer.h"
#include "gpg/gpg_engine.h"
#include "gpg/gpg_settings.h"
#include "base/result.h"
#include "leaf/attachment_store.h"
#include "base/error_report.h"
#include "leaf/form_page.h"

namespace ambrine {

// Gives the plaintext of one attachment as a descriptor to read to its end.
class AttachmentSource {
 public:
  virtual ~AttachmentSource() = default;
  // Reports its own failures (source "mainview").
  virtual Result Open(const AttachmentEntry& entry, Fd& content) = 0;
  // Called once the content has been read and closed.
  virtual Result Close() = 0;
};

// Decrypts the entry's temporary file with a second gpg (signature checking
// skipped, the entry's passphrase) into a pipe.
class GpgAttachmentSource : public AttachmentSource {
 public:
  GpgAttachmentSource(const GpgSettings& settings, ErrorReport& report)
      : settings_(settings), report_(report) {}
  Result Open(const AttachmentEntry& entry, Fd& content) override;
  // Waits for gpg; a failed decryption is reported (line 1296) and returned,
  // so a save never silently drops an attachment.
  Result Close() override;

 private:
  const GpgSettings& settings_;
  ErrorReport& report_;
  std::unique_ptr<GpgEngine> engine_;
};

// "----=_" + local YYYYMMDDhhmmss + "_" + two random numbers 0..32767, each
// with at least four digits, the one drawn second first.
std::string MakeBoundary();

class LeafWriter {
 public:
  // Attachments are decrypted by `source`, or by a GpgAttachmentSource
  // built from `settings` when it is null.
  LeafWriter(FormPage& page, const AttachmentStore& store, const GpgSettings& settings,
             ErrorReport& report, AttachmentSource* source = nullptr);

  // Counts the bytes of the page, the form text and each attachment as
  // they are sent, of a total that uses the temporary files' sizes; a
  // cancel ends the message at its next block with kCancelled, unreported.
  void SetProgress(OperationProgress* progress) { progress_ = progress; }

  // Writes the whole message to `fd` (not closed). A failure is reported
  // once and ends the message there.
  Result Write(int fd);

 private:
  // Adds `bytes` to the count; kCancelled once the user asked to stop.
  Result Advance(std::uint64_t bytes);
  // Base64 of what `fd` gives, to its end, counting as it goes.
  Result EncodeStream(int fd, BufferedWriter& out);

  OperationProgress* progress_ = nullptr;
  std::uint64_t done_ = 0;
  FormPage& page_;
  const AttachmentStore& store_;
  const GpgSettings& settings_;
  ErrorReport& report_;
  AttachmentSource* source_;
};

// LeafWriter with gpg decrypting the attachments.
Result WriteLeafMessage(int fd, FormPage& page, const AttachmentStore& store,
                        const GpgSettings& settings, ErrorReport& report,
                        OperationProgress* progress = nullptr);

}  // namespace ambrine
