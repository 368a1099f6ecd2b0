#include "leaf/search/leaf_contents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/secure_wipe.h"
#include "gpg/openpgp_packet.h"
#include "gpg/status_line.h"
#include "leaf/attachment_sink.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_file.h"
#include "leaf/open_verdict.h"
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

  bool AskPassphrase(bool /*symmetric*/, std::string& answer) override {
    if (passphrase_ == nullptr || rejected_ || answers_ >= kMaxAnswers) return false;
    ++answers_;
    answer = *passphrase_;
    return true;
  }
  void ShowBadPassphrase() override { rejected_ = true; }

 private:
  static constexpr int kMaxAnswers = 3;
  const std::string* passphrase_;
  int answers_ = 0;
  bool rejected_ = false;
};

// Keeps each attachment's name and drops its bytes.
class AttachmentNames : public AttachmentSink {
 public:
  explicit AttachmentNames(std::vector<std::string>& names) : names_(names) {}
  Result Begin(const std::string& name) override {
    names_.push_back(name);
    return kOk;
  }
  void Write(const char*, std::size_t) override {}
  Result End() override { return kOk; }

 private:
  std::vector<std::string>& names_;
};

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
  Result readResult = kOk;
  const Result s = leaf.ReadInOnePass(path, questions, page, sink, checked, readResult);
  SecureWipe(checked.passphrase);
  if (Failed(s)) return LeafReading::Unreadable;
  contents.passphraseLeaf = checked.symmetric;
  switch (JudgeOpen(checked, page, readResult)) {
    case OpenVerdict::PassphraseRejected:
    case OpenVerdict::AnswersRanOut:
    case OpenVerdict::WrongPassphrase:
      return LeafReading::WrongPassphrase;
    case OpenVerdict::PassphraseNeeded:
      return checked.symmetric ? LeafReading::NeedsPassphrase : LeafReading::KeyNeedsPassphrase;
    case OpenVerdict::NotDecryptable:
      return LeafReading::NotDecryptable;
    case OpenVerdict::NotALeaf:
    case OpenVerdict::ReadInPart:  // an index keeps only whole leaves
      contents = LeafContents();
      return LeafReading::Broken;
    case OpenVerdict::Read:
      break;
  }
  contents.formText = FormValuesText(page.form);
  contents.documentText = DocumentText(page.document);
  CutUtf8(contents.formText, kMaxSearchableBytes);
  CutUtf8(contents.documentText, kMaxSearchableBytes);
  if (!checked.goodSignatures.empty()) {
    contents.signerUserId = SplitGoodSignature(checked.goodSignatures.front().text).userId;
    contents.signerFingerprint = checked.goodSignatures.front().fingerprint;
  }
  return LeafReading::Read;
}

}  // namespace ambrine
