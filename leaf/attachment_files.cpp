#include "leaf/attachment_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "base/replacement_file.h"
#include "base/secure_wipe.h"
#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"

namespace ambrine {

namespace {

std::uint64_t FileSize(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// Lets gpg's wait count the bytes written to `outputPath` of `total` (gpg
// stores and decrypts attachments uncompressed, so the output grows with
// the input) and be cut short by a cancel.
void WatchProgress(GpgEngine& engine, OperationProgress* progress, std::uint64_t total,
                   const std::string& outputPath) {
  if (progress == nullptr) return;
  progress->SetTotal(total);
  engine.SetWaitHook([progress, outputPath] {
    progress->SetDone(FileSize(outputPath));
    return !progress->cancelled();
  });
}

}  // namespace

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SafeFileName(const std::string& storedName) {
  const std::size_t folder = storedName.find_last_of("/\\");
  const std::string base = folder == std::string::npos ? storedName : storedName.substr(folder + 1);
  std::string name;
  for (char c : base) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) continue;
    if (name.empty() && c == '.') continue;
    name.push_back(c);
  }
  return name.empty() ? "attachment" : name;
}

AttachOutcome AttachmentFiles::Attach(const std::string& path, AttachmentStore& store,
                                      OperationProgress* progress) {
  gpgError_.clear();
  std::string tempPath;
  Fd tempFd;
  Result s = CreateTempAttachmentFile(tempPath, tempFd);
  if (Failed(s)) {
    report_.Report(s, report::kAttachTempFileFailed);
    return AttachOutcome::Reported;
  }
  tempFd.reset();  // gpg writes the file by its name
  std::string passphrase;
  s = MakeTempPassphrase(passphrase, 16, report_);
  if (Succeeded(s)) {
    GpgEngine engine(settings_);
    engine.CaptureErrors();
    engine.StoreUncompressed();
    WatchProgress(engine, progress, FileSize(path), tempPath);
    const GpgRunOutcome ended =
        engine.EncryptFileSymmetric(path, tempPath, false, nullptr, passphrase.c_str());
    if (ended.refusedByGpg()) gpgError_ = ended.errorLine;
    s = ended.status;
  }
  if (Failed(s)) {
    ::unlink(tempPath.c_str());
    SecureWipe(passphrase);
    return s == kCancelled ? AttachOutcome::Cancelled : AttachOutcome::EncryptionFailed;
  }
  store.Append(BaseName(path), std::move(tempPath), std::move(passphrase));
  return AttachOutcome::Attached;
}

ExtractOutcome AttachmentFiles::Extract(const AttachmentEntry& entry, const std::string& target,
                                        OperationProgress* progress) {
  gpgError_.clear();
  ReplacementFile output;
  Result s = output.Create(target);
  if (Failed(s)) {
    report_.Report(s, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  output.TakeFd().reset();
  GpgEngine engine(settings_);
  engine.CaptureErrors();
  WatchProgress(engine, progress, FileSize(entry.tempPath), output.tempPath());
  const GpgRunOutcome ended = engine.DecryptFile(entry.tempPath, output.tempPath(), false,
                                                 entry.tempPassphrase.c_str());
  // A cancelled extraction leaves no partial file: `output` deletes it.
  if (ended.status == kCancelled) return ExtractOutcome::Cancelled;
  if (ended.refusedByGpg()) {
    gpgError_ = ended.errorLine;
    return ExtractOutcome::DecryptionFailed;
  }
  if (!ended.succeeded()) {
    report_.Report(ended.status, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  // The file holds a record's plaintext: it stays owner-only, as created.
  s = output.Commit();
  if (Failed(s)) {
    report_.Report(s, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  return ExtractOutcome::Extracted;
}

ReadOutcome AttachmentFiles::ReadIntoMemory(const AttachmentEntry& entry, WipedBytes& bytes,
                                            OperationProgress* progress) {
  gpgError_.clear();
  bytes.Release();
  const std::uint64_t fileSize = FileSize(entry.tempPath);
  // gpg adds only packet headers to a working copy (and compression, in
  // copies made elsewhere, hardly grows incompressible data): a file well
  // over the limit holds more than the limit, and is refused unread.
  if (fileSize > kMaxReadIntoMemory + kMaxReadIntoMemory / 64) return ReadOutcome::TooLarge;
  Fd content;
  Fd childWrite;
  Result s = CreateInboundPipe(content, childWrite);
  if (Failed(s)) {
    report_.Report(s, report::kSourcePipeFailed);
    return ReadOutcome::Reported;
  }
  WidenPipe(content.get());
  Fd file(::open(entry.tempPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) {
    report_.Report(LastErrorResult(), report::kSourceTempFileUnopenable);
    return ReadOutcome::Reported;
  }
  GpgEngine engine(settings_);
  engine.CaptureErrors();
  s = engine.Decrypt(std::move(file), std::move(childWrite), false, entry.tempPassphrase.c_str(),
                     Fd(), Fd());
  if (Failed(s)) {
    report_.Report(s, report::kSourceGpgStartFailed);
    return ReadOutcome::Reported;
  }
  if (progress) progress->SetTotal(fileSize);
  // Room for the whole content at once: the buffer is not moved (and no
  // partial copy left to wipe) while it fills.
  bytes.Reserve(static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kMaxReadIntoMemory)));
  const PipeReadEnd end = ReadPipeInto(content.get(), bytes, kMaxReadIntoMemory, progress);
  const Result readError = end == PipeReadEnd::Failed ? LastErrorResult() : kOk;
  content.reset();
  // A read that stops early stops gpg too: it would only write on into a
  // closed pipe.
  if (end != PipeReadEnd::Whole) engine.SetWaitHook([] { return false; });
  const GpgRunOutcome ended = engine.Finish();
  ReadOutcome outcome = ReadOutcome::Read;
  if (end == PipeReadEnd::Cancelled) {
    outcome = ReadOutcome::Cancelled;
  } else if (end == PipeReadEnd::TooLarge) {
    outcome = ReadOutcome::TooLarge;
  } else if (end == PipeReadEnd::Failed) {
    report_.Report(readError, report::kSourceGpgFailed);
    outcome = ReadOutcome::Reported;
  } else if (ended.refusedByGpg()) {
    gpgError_ = ended.errorLine;
    outcome = ReadOutcome::DecryptionFailed;
  } else if (!ended.succeeded() && ended.status != kCancelled) {
    report_.Report(ended.status, report::kSourceGpgFailed);
    outcome = ReadOutcome::Reported;
  }
  if (outcome != ReadOutcome::Read) bytes.Release();
  return outcome;
}

}  // namespace ambrine
