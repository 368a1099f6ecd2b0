#include "support/generated_leaf.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"

namespace ambrine::test {

namespace {

constexpr const char* kGroup = "QUFB";           // "AAA"
constexpr std::size_t kGroupsPerLine = 19;       // 76 characters and CR LF
constexpr std::size_t kLinesPerBlock = 1 << 14;  // about 1.2 MiB a write

class Output {
 public:
  explicit Output(int fd) : fd_(fd) {}
  bool Put(const std::string& text) {
    if (Failed(status_)) return false;
    status_ = WritePipeString(fd_, text);
    if (Succeeded(status_)) written_ += text.size();
    return Succeeded(status_);
  }
  Result status() const { return status_; }
  std::size_t written() const { return written_; }

 private:
  int fd_;
  Result status_ = kOk;
  std::size_t written_ = 0;
};

// The Base64 body of `bytes` bytes "A", in lines.
void PutBody(Output& out, std::size_t bytes) {
  std::string line;
  for (std::size_t i = 0; i < kGroupsPerLine; ++i) line += kGroup;
  line += "\r\n";
  const std::size_t lineBytes = 3 * kGroupsPerLine;
  std::size_t lines = bytes / lineBytes;
  std::string block;
  for (std::size_t i = 0; i < kLinesPerBlock && i < lines; ++i) block += line;
  for (; lines >= kLinesPerBlock; lines -= kLinesPerBlock) {
    if (!out.Put(block)) return;
  }
  block.resize(lines * line.size());
  if (!out.Put(block)) return;
  std::string last;
  const std::size_t rest = bytes % lineBytes;
  for (std::size_t i = 0; i < rest / 3; ++i) last += kGroup;
  if (rest % 3 == 1) last += "QQ==";
  if (rest % 3 == 2) last += "QUE=";
  out.Put(last + "\r\n");
}

}  // namespace

Result WriteGeneratedMessage(int fd, std::size_t documentBytes, std::size_t formBytes,
                             std::size_t* written) {
  Output out(fd);
  out.Put("Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
          "--b1\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\n");
  PutBody(out, documentBytes);
  out.Put("--b1\r\nContent-Type: application/octet-stream\r\n"
          "Content-Transfer-Encoding: BASE64\r\n\r\n");
  PutBody(out, formBytes);
  out.Put("--b1--\r\n");
  if (written != nullptr) *written = out.written();
  return out.status();
}

void MakeGeneratedLeaf(const GpgSettings& settings, const std::string& fingerprint,
                       std::size_t documentBytes, std::size_t formBytes,
                       const std::string& path) {
  Fd input, inputChild;
  Fd output(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  GpgEngine engine(settings);
  if (!output || Failed(CreateOutboundPipe(input, inputChild)) ||
      Failed(engine.Encrypt({fingerprint}, std::move(inputChild), std::move(output), false,
                            nullptr, Fd(), Fd()))) {
    ADD_FAILURE() << "cannot start gpg for " << path;
    throw std::runtime_error("generated leaf");
  }
  const Result written = WriteGeneratedMessage(input.get(), documentBytes, formBytes);
  input.reset();
  if (Failed(written) || !engine.Finish().succeeded()) {
    ADD_FAILURE() << "gpg could not write " << path;
    throw std::runtime_error("generated leaf");
  }
}

}  // namespace ambrine::test
