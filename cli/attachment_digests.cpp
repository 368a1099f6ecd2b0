// Hashes and counts each attachment as the reader hands it on.
#include "cli/attachment_digests.h"

#include "gpg/pipe_io.h"

namespace ambrine {

Result AttachmentDigests::Begin(const std::string& name) {
  if (next_ != nullptr) {
    Result status = next_->Begin(name);
    if (Failed(status)) return status;
  }
  infos_.push_back({name, 0, ""});
  hash_.emplace();
  return kOk;
}

void AttachmentDigests::Write(const char* bytes, std::size_t count) {
  hash_->Update(bytes, count);
  infos_.back().bytes += count;
  if (static_cast<int>(infos_.size()) - 1 == keepIndex_ && Succeeded(keepStatus_)) {
    keepStatus_ = WritePipeBytes(keepFd_, bytes, count);
  }
  if (next_ != nullptr) next_->Write(bytes, count);
}

Result AttachmentDigests::End() {
  infos_.back().sha256 = hash_->HexDigest();
  return next_ != nullptr ? next_->End() : kOk;
}

}  // namespace ambrine
