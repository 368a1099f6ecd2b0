#include "leaf/attachment_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "base/replacement_file.h"
#include "base/secure_wipe.h"
#include "gpg/gpg_engine.h"

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
  Status s = CreateTempAttachmentFile(tempPath, tempFd);
  if (Failed(s)) {
    report_.Report(s, report::kAttachTempFileFailed);
    return AttachOutcome::Reported;
  }
  tempFd.reset();  // gpg writes the file by its name
  std::string passphrase;
  int exitCode = -1;
  s = MakeTempPassphrase(passphrase, 16, report_);
  if (Succeeded(s)) {
    GpgEngine engine(settings_);
    engine.CaptureErrors();
    engine.StoreUncompressed();
    WatchProgress(engine, progress, FileSize(path), tempPath);
    s = engine.EncryptFileSymmetric(path, tempPath, false, nullptr, passphrase.c_str(), &exitCode);
    if (Succeeded(s) && exitCode != 0) gpgError_ = engine.ErrorLine();
  }
  if (Failed(s) || exitCode != 0) {
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
  Status s = output.Create(target);
  if (Failed(s)) {
    report_.Report(s, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  output.TakeFd().reset();
  int exitCode = -1;
  GpgEngine engine(settings_);
  engine.CaptureErrors();
  WatchProgress(engine, progress, FileSize(entry.tempPath), output.tempPath());
  s = engine.DecryptFile(entry.tempPath, output.tempPath(), false, entry.tempPassphrase.c_str(),
                         &exitCode);
  // A cancelled extraction leaves no partial file: `output` deletes it.
  if (s == kCancelled) return ExtractOutcome::Cancelled;
  if (Failed(s)) {
    report_.Report(s, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  if (exitCode != 0) {
    gpgError_ = engine.ErrorLine();
    return ExtractOutcome::DecryptionFailed;
  }
  // The file holds a record's plaintext: it stays owner-only, as created.
  s = output.Commit();
  if (Failed(s)) {
    report_.Report(s, report::kExtractFailed);
    return ExtractOutcome::Reported;
  }
  return ExtractOutcome::Extracted;
}

}  // namespace ambrine
