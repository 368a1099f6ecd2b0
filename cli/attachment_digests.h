// The attachments of a leaf being read, as show and extract see them: each
// one's name, size and SHA-256, and one chosen attachment's bytes written
// to a descriptor on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/result.h"
#include "cli/sha256.h"
#include "leaf/attachment_sink.h"

namespace ambrine {

class AttachmentDigests : public AttachmentSink {
 public:
  struct Info {
    std::string name;
    std::uint64_t bytes = 0;
    std::string sha256;  // hexadecimal, once the attachment has ended
  };

  // Forwards every attachment to `next` too when it is not null; writes the
  // bytes of attachment `keepIndex` (counted from 0; -1: none) to `keepFd`.
  AttachmentDigests(AttachmentSink* next, int keepIndex, int keepFd)
      : next_(next), keepIndex_(keepIndex), keepFd_(keepFd) {}

  Result Begin(const std::string& name) override;
  void Write(const char* bytes, std::size_t count) override;
  Result End() override;

  // The attachments begun so far, in the leaf's order.
  const std::vector<Info>& infos() const { return infos_; }
  // kOk while every write of the chosen attachment to `keepFd` succeeded.
  Result keepStatus() const { return keepStatus_; }

 private:
  AttachmentSink* next_;
  int keepIndex_;
  int keepFd_;
  std::vector<Info> infos_;
  Result keepStatus_ = kOk;
  std::optional<Sha256> hash_;
};

}  // namespace ambrine
