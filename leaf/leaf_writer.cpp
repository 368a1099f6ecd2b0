#include "leaf/leaf_writer.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include "gpg/pipe_io.h"
#include "leaf/base64.h"
#include "leaf/buffered_writer.h"
#include "leaf/mime_header.h"
#include "base/secure_wipe.h"

namespace ambrine {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::size_t kChunk = 144 * 1024;  // bytes encoded per step (a multiple of 3 and of 48)
// The longest "filename*" value written: far below the reader's limit for a
// header block (kMaxHeaderBlock) even with the stand-in name beside it.
constexpr std::size_t kMaxExtendedName = 64 * 1024;

int RandomBelow32768() {
  // The boundary only has to differ between saves; a generator seeded once
  // from the system is enough.
  static std::mt19937 generator{std::random_device{}()};
  return static_cast<int>(generator() & 0x7FFF);
}

// Encodes `bytes` in chunks so the writer's buffer never has to move.
void EncodeBody(std::string_view bytes, BufferedWriter& out) {
  Base64LineEncoder encoder;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    encoder.Add(data + at, std::min(kChunk, bytes.size() - at), out.buffer());
    out.Written();
  }
  encoder.Finish(out.buffer());
  out.Written();
}

// Writes the file name lines of an attachment's Content-Disposition, each
// ending in CR LF. A name that can stand inside quotes goes there as it is.
// Any other gets a quoted stand-in with each such byte made "_", for readers
// that know only "filename", and then the exact name as an RFC 2231
// "filename*" on a line of its own. A name so long that its encoding would
// crowd the reader's header limit keeps only the stand-in.
void WriteFileNameParameters(const std::string& name, BufferedWriter& out) {
  std::string safe = name;
  for (char& c : safe) {
    if (!IsQuotableChar(static_cast<unsigned char>(c))) c = '_';
  }
  out.Write(" filename=\"");
  out.Write(safe);
  if (safe == name) {
    out.Write("\"\r\n");
    return;
  }
  const std::string exact = EncodeExtendedValue(name);
  if (exact.size() > kMaxExtendedName) {
    out.Write("\"\r\n");
    return;
  }
  out.Write("\";\r\n filename*=");
  out.Write(exact);
  out.Write(kCrLf);
}

}  // namespace

std::string MakeBoundary() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const int r1 = RandomBelow32768();
  const int r2 = RandomBelow32768();
  char text[64];
  std::snprintf(text, sizeof text, "----=_%04d%02d%02d%02d%02d%02d_%04d%04d",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                local.tm_min, local.tm_sec, r2, r1);
  return text;
}

Result GpgAttachmentSource::Open(const AttachmentEntry& entry, Fd& content) {
  engine_ = std::make_unique<GpgEngine>(settings_);
  engine_->CaptureErrors();
  Fd childWrite;
  Result status = CreateInboundPipe(content, childWrite);
  if (Failed(status)) {
    report_.Report(status, report::kSourcePipeFailed);
    return status;
  }
  WidenPipe(content.get());
  Fd file(::open(entry.tempPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) {
    status = LastErrorResult();
    content.reset();
    report_.Report(status, report::kSourceTempFileUnopenable);
    return status;
  }
  status = engine_->Decrypt(std::move(file), std::move(childWrite), false,
                            entry.tempPassphrase.c_str(), Fd(), Fd());
  if (Failed(status)) {
    content.reset();
    report_.Report(status, report::kSourceGpgStartFailed);
  }
  return status;
}

Result GpgAttachmentSource::Close() {
  const GpgRunOutcome ended = engine_->Finish();
  engine_.reset();
  return ReportRunFailure(ended, report_, report::kSourceGpgFailed);
}

// Reads `fd` to its end and writes the content as a Base64 body. Bytes of a
// read that do not fill a group wait for the next read, so only the last
// group of the body can be short and the body is plain Base64.
Result LeafWriter::EncodeStream(int fd, BufferedWriter& out) {
  std::vector<unsigned char> block(kChunk);
  Base64LineEncoder encoder;
  Result status = kOk;
  for (;;) {
    ssize_t n = ::read(fd, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    encoder.Add(block.data(), static_cast<std::size_t>(n), out.buffer());
    out.Written();
    status = Advance(static_cast<std::uint64_t>(n));
    if (Failed(status)) break;
  }
  encoder.Finish(out.buffer());
  out.Written();
  SecureWipe(block.data(), block.size());
  return status;
}

Result LeafWriter::Advance(std::uint64_t bytes) {
  if (progress_ == nullptr) return kOk;
  done_ += bytes;
  progress_->SetDone(done_);
  return progress_->cancelled() ? kCancelled : kOk;
}

LeafWriter::LeafWriter(FormPage& page, const AttachmentStore& store,
                       const GpgSettings& settings, ErrorReport& report,
                       AttachmentSource* source)
    : page_(page), store_(store), settings_(settings), report_(report), source_(source) {}

Result LeafWriter::Write(int fd) {
  BufferedWriter out(fd);
  const std::string boundary = MakeBoundary();
  const std::string delimiter = "--" + boundary + "\r\n";

  // Message header: five writes whose results count.
  const std::pair<std::string_view, const ReportPoint*> header[] = {
      {"Content-Type: multipart/mixed; boundary=\"", &report::kMessageTypeWriteFailed},
      {boundary, &report::kMessageBoundaryWriteFailed},
      {"\"\r\n", &report::kMessageTypeEndWriteFailed},
      {"Content-Transfer-Encoding: 7bit\r\n", &report::kMessageEncodingWriteFailed},
      {kCrLf, &report::kMessageHeaderEndWriteFailed},
  };
  for (const auto& [text, point] : header) {
    Result status = out.WriteNow(text);
    if (Failed(status)) {
      report_.Report(status, *point);
      return status;
    }
  }

  if (progress_) {
    std::uint64_t total = 0;
    for (const AttachmentEntry& entry : store_) {
      struct stat info {};
      if (::stat(entry.tempPath.c_str(), &info) == 0) total += static_cast<std::uint64_t>(info.st_size);
    }
    progress_->SetTotal(total);
  }

  // Document part.
  out.Write(delimiter);
  out.Write("Content-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n");
  // Sent from the page's own bytes when it holds them (a PlainFormPage),
  // so a large document is not held twice while it is written.
  std::string scratch;
  const WipeOnExit wipeScratch(scratch);
  std::string_view document;
  Result status = page_.ViewDocument(scratch, document);
  if (Succeeded(status)) {
    if (progress_) progress_->AddTotal(document.size());
    EncodeBody(document, out);
    status = Advance(document.size());
    if (status == kCancelled) return status;
  }
  SecureWipe(scratch);
  out.Write(kCrLf);
  if (Failed(status)) {
    out.Flush();
    report_.Report(status, report::kDocumentUnsaved);
    return status;
  }

  // Form-data part.
  out.Write(delimiter);
  out.Write("Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n");
  std::string form;
  bool isString = false;
  status = page_.CallSaveForm(form, isString);
  if (Failed(status)) {
    SecureWipe(form);
    out.Flush();
    report_.Report(status, report::kSaveFormFailed);
    return status;
  }
  if (isString) {
    if (progress_) progress_->AddTotal(form.size());
    EncodeBody(form, out);
    status = Advance(form.size());
  }
  SecureWipe(form);
  if (status == kCancelled) return status;

  // Attachment parts, each decrypted from its temporary file as it is sent.
  std::unique_ptr<GpgAttachmentSource> gpgSource;
  AttachmentSource* source = source_;
  if (source == nullptr) {
    gpgSource = std::make_unique<GpgAttachmentSource>(settings_, report_);
    source = gpgSource.get();
  }
  for (const AttachmentEntry& entry : store_) {
    out.Write(delimiter);
    out.Write("Content-Type: application/octet-stream\r\nContent-Disposition: attachment;\r\n");
    WriteFileNameParameters(entry.name, out);
    out.Write("Content-Transfer-Encoding: BASE64\r\n\r\n");
    Fd content;
    status = source->Open(entry, content);
    if (Failed(status)) {
      out.Flush();
      report_.Report(status, report::kAttachmentUnwritten);
      return status;
    }
    status = EncodeStream(content.get(), out);
    content.reset();
    // A cancelled message ends here; the source's gpg is stopped with it.
    if (status == kCancelled) return status;
    // Nothing may wait in the buffer while the program blocks on gpg.
    out.Flush();
    status = source->Close();
    if (Failed(status)) {
      report_.Report(status, report::kAttachmentUnwritten);
      return status;
    }
    out.Write(kCrLf);
  }

  // Closing delimiter: three writes whose results count.
  const std::pair<std::string_view, const ReportPoint*> closing[] = {
      {"--", &report::kClosingDashesWriteFailed}, {boundary, &report::kClosingBoundaryWriteFailed}, {"--\r\n", &report::kClosingEndWriteFailed}};
  for (const auto& [text, point] : closing) {
    status = out.WriteNow(text);
    if (Failed(status)) {
      report_.Report(status, *point);
      return status;
    }
  }
  return kOk;
}

Result WriteLeafMessage(int fd, FormPage& page, const AttachmentStore& store,
                        const GpgSettings& settings, ErrorReport& report,
                        OperationProgress* progress) {
  LeafWriter writer(page, store, settings, report);
  writer.SetProgress(progress);
  return writer.Write(fd);
}

}  // namespace ambrine
