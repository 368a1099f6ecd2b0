#include "leaf/attachment_sink.h"

#include <unistd.h>

#include "gpg/error_tail.h"
#include "gpg/pipe_io.h"
#include "base/secure_wipe.h"

namespace ambrine {

GpgAttachmentSink::~GpgAttachmentSink() {
  // An attachment that was never ended: let gpg see the end of its input
  // before the engine reaps it.
  writer_.reset();
  pipe_.reset();
}

Result GpgAttachmentSink::Begin(const std::string& name) {
  std::string path;
  Fd file;
  Result status = CreateTempAttachmentFile(path, file);
  if (Failed(status)) {
    report_.Report(status, report::kStoreTempFileFailed);
    return status;
  }
  std::string passphrase;
  status = MakeTempPassphrase(passphrase, 16, report_);
  if (Failed(status)) {
    // No passphrase, no entry: the empty file goes at once.
    ::unlink(path.c_str());
    return status;
  }
  // The entry comes first and stays even if the rest of the part fails.
  const AttachmentEntry& entry =
      *store_.Find(store_.Append(name, std::move(path), std::move(passphrase)));

  engine_ = std::make_unique<GpgEngine>(settings_);
  engine_->CaptureErrors();
  engine_->StoreUncompressed();
  Fd childRead;
  status = CreateOutboundPipe(pipe_, childRead);
  if (Succeeded(status)) WidenPipe(pipe_.get());
  if (Succeeded(status)) {
    // gpg's signing stays off: it has no channel to ask for a key passphrase.
    status = engine_->EncryptSymmetric(std::move(childRead), std::move(file), false,
                                       entry.tempPassphrase.c_str(), Fd(), Fd());
  }
  if (Failed(status)) {
    pipe_.reset();
    engine_.reset();
    report_.Report(status, report::kStoreGpgStartFailed);
    return status;
  }
  writer_ = std::make_unique<BufferedWriter>(pipe_.get());
  return kOk;
}

void GpgAttachmentSink::Write(const char* bytes, std::size_t count) {
  if (writer_) writer_->Write(std::string_view(bytes, count));
}

Result GpgAttachmentSink::End() {
  if (!engine_) return kOk;
  if (writer_) writer_->Flush();
  writer_.reset();
  pipe_.reset();  // gpg sees the end of its input
  const GpgRunOutcome ended = engine_->Finish();
  engine_.reset();
  return ReportRunFailure(ended, report_, report::kStoreGpgFailed);
}

}  // namespace ambrine
