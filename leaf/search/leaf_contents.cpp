#include "leaf/search/leaf_contents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/secure_wipe.h"
#include "leaf/attachment_sink.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_file.h"
#include "leaf/plain_form_page.h"
#include "leaf/search/searchable_text.h"

namespace ambrine {

namespace {

// Answers gpg's passphrase questions with the one passphrase given, a few
// times at most (gpg may try more than one secret key), and refuses every
// other: a search never waits on a person.
class GivenPassphrase : public OpenQuestions {
 public:
  explicit GivenPassphrase(const std::string* passphrase) : passphrase_(passphrase) {}

  bool AskPassphrase(bool symmetric, std::string& answer) override {
    (symmetric ? symmetricAsked_ : keyAsked_) = true;
    if (passphrase_ == nullptr || rejected_ || answers_ >= kMaxAnswers) return false;
    ++answers_;
    answer = *passphrase_;
    return true;
  }
  void ShowBadPassphrase() override { rejected_ = true; }

  bool symmetricAsked() const { return symmetricAsked_; }
  bool keyAsked() const { return keyAsked_; }
  bool given() const { return passphrase_ != nullptr; }

 private:
  static constexpr int kMaxAnswers = 3;
  const std::string* passphrase_;
  int answers_ = 0;
  bool rejected_ = false;
  bool symmetricAsked_ = false;
  bool keyAsked_ = false;
};

// Keeps each attachment's name and drops its bytes.
class AttachmentNames : public AttachmentSink {
 public:
  explicit AttachmentNames(std::vector<std::string>& names) : names_(names) {}
  Status Begin(const std::string& name) override {
    names_.push_back(name);
    return kOk;
  }
  void Write(const char*, std::size_t) override {}
  Status End() override { return kOk; }

 private:
  std::vector<std::string>& names_;
};

// The user id of "GOODSIG <key id> <user id>".
std::string SignerUserId(const std::string& goodSig) {
  const std::size_t first = goodSig.find(' ');
  if (first == std::string::npos) return std::string();
  const std::size_t second = goodSig.find(' ', first + 1);
  return second == std::string::npos ? std::string() : goodSig.substr(second + 1);
}

bool FileStartsAsEncryptedMessage(const std::string& path, bool& readable) {
  readable = false;
  // Never blocks: a FIFO put where a leaf was is not waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  unsigned char head[2] = {0, 0};
  const ssize_t got = ::read(fd, head, sizeof head);
  ::close(fd);
  if (got < 0) return false;
  readable = true;
  return StartsAsEncryptedMessage(head, static_cast<std::size_t>(got));
}

}  // namespace

LeafContents::~LeafContents() {
  SecureWipe(formText);
  SecureWipe(documentText);
  for (std::string& name : attachmentNames) SecureWipe(name);
}

bool StartsAsEncryptedMessage(const unsigned char* head, std::size_t length) {
  if (length == 0 || (head[0] & 0x80) == 0) return false;
  int tag;
  if (head[0] & 0x40) {
    tag = head[0] & 0x3F;  // new packet format
  } else {
    tag = (head[0] >> 2) & 0x0F;  // old format
  }
  // 1 public-key session key, 3 passphrase session key, 9 and 18 encrypted
  // data.
  return tag == 1 || tag == 3 || tag == 9 || tag == 18;
}

LeafReading ReadLeafContents(const GpgSettings& settings, const std::string& path,
                             const std::string* passphrase, LeafContents& contents) {
  contents = LeafContents();
  bool readable = false;
  if (!FileStartsAsEncryptedMessage(path, readable)) {
    return readable ? LeafReading::NotEncrypted : LeafReading::Unreadable;
  }
  DeferredReport dropped;
  LeafFile leaf(settings, dropped);
  GivenPassphrase questions(passphrase);
  PlainFormPage page;
  AttachmentNames sink(contents.attachmentNames);
  OpenCheckResult checked;
  Status readStatus = kOk;
  const Status s = leaf.ReadInOnePass(path, questions, page, sink, checked, readStatus);
  SecureWipe(checked.passphrase);
  if (Failed(s)) return LeafReading::Unreadable;
  contents.passphraseLeaf = checked.symmetric;
  if (checked.end == OpenCheckEnd::BadPassphrase) return LeafReading::WrongPassphrase;
  if (checked.end == OpenCheckEnd::Cancelled) {
    if (questions.given()) return LeafReading::WrongPassphrase;
    return questions.symmetricAsked() ? LeafReading::NeedsPassphrase
                                      : LeafReading::KeyNeedsPassphrase;
  }
  if (!checked.decrypted) {
    // gpg1 tells a wrong message passphrase as a failed decryption.
    if (checked.symmetric && questions.given()) return LeafReading::WrongPassphrase;
    return LeafReading::NotDecryptable;
  }
  if (Failed(readStatus) || !page.documentLoaded || !page.formRestored) {
    contents = LeafContents();
    return LeafReading::Broken;
  }
  contents.formText = FormValuesText(page.form);
  contents.documentText = DocumentText(page.document);
  CutUtf8(contents.formText, kMaxSearchableBytes);
  CutUtf8(contents.documentText, kMaxSearchableBytes);
  if (!checked.goodSignatures.empty()) {
    contents.signerUserId = SignerUserId(checked.goodSignatures.front().text);
    contents.signerFingerprint = checked.goodSignatures.front().fingerprint;
  }
  return LeafReading::Read;
}

}  // namespace ambrine
