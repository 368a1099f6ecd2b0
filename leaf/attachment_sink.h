// Where the leaf reader puts the bytes of each attachment. The program
// re-encrypts them into a temporary attachment file (GpgAttachmentSink);
// the command-line tool hashes or extracts them; the fuzzer drops them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "base/fd.h"
#include "gpg/gpg_engine.h"
#include "gpg/gpg_settings.h"
#include "base/result.h"
#include "leaf/attachment_store.h"
#include "leaf/buffered_writer.h"
#include "base/error_report.h"

namespace ambrine {

class AttachmentSink {
 public:
  virtual ~AttachmentSink() = default;
  // Starts the next attachment, called `name`. Reports its own failures.
  virtual Result Begin(const std::string& name) = 0;
  // Decoded bytes of the attachment, in order. Failures show at End.
  virtual void Write(const char* bytes, std::size_t count) = 0;
  // The body has ended (completely or not). Reports its own failures.
  virtual Result End() = 0;
};

// Drops everything.
class NullAttachmentSink : public AttachmentSink {
 public:
  Result Begin(const std::string&) override { return kOk; }
  void Write(const char*, std::size_t) override {}
  Result End() override { return kOk; }
};

// Adds a store entry per attachment and has gpg encrypt the bytes, as they
// arrive through a pipe, into a new temporary attachment file under a fresh
// random passphrase. Plain bytes never reach the disk.
class GpgAttachmentSink : public AttachmentSink {
 public:
  GpgAttachmentSink(AttachmentStore& store, const GpgSettings& settings, ErrorReport& report)
      : store_(store), settings_(settings), report_(report) {}
  ~GpgAttachmentSink() override;

  Result Begin(const std::string& name) override;
  void Write(const char* bytes, std::size_t count) override;
  // Closes gpg's input and waits; a gpg that failed is reported (line 823)
  // and returned, so a lost attachment does not go unnoticed.
  Result End() override;

 private:
  AttachmentStore& store_;
  const GpgSettings& settings_;
  ErrorReport& report_;
  std::unique_ptr<GpgEngine> engine_;
  Fd pipe_;
  std::unique_ptr<BufferedWriter> writer_;
};

}  // namespace ambrine
