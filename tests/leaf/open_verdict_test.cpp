// The verdict of an open over real gpg1 runs: leaves made for each case,
// read in one pass with scripted passphrase answers, judged by JudgeOpen.
// The window, the tool and search all decide through it.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gpg/gpg_engine.h"
#include "gpg/pipe_io.h"
#include "leaf/deferred_report.h"
#include "leaf/leaf_file.h"
#include "leaf/leaf_writer.h"
#include "leaf/open_verdict.h"
#include "leaf/plain_form_page.h"
#include "leaf_test_support.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

constexpr const char* kKeyPassphrase = "key pass";
constexpr const char* kMessagePassphrase = "sesame";

// Answers the passphrase questions with `answers` in turn, then refuses.
class ScriptedAnswers : public OpenQuestions {
 public:
  explicit ScriptedAnswers(std::vector<std::string> answers) : answers_(std::move(answers)) {}
  bool AskPassphrase(bool, std::string& answer) override {
    if (next_ >= answers_.size()) return false;
    answer = answers_[next_++];
    return true;
  }
  void ShowBadPassphrase() override {}

 private:
  std::vector<std::string> answers_;
  std::size_t next_ = 0;
};

// Two homes: "own" with a key without passphrase and the public key of
// "locked", whose key has one. Made once: key generation is the slow part.
struct Homes {
  test::TempDir own;
  test::TempDir locked;
  test::TestKey ownKey = test::MakeKey(own.path(), "Verdict Owner <owner@example.org>");
  test::TestKey lockedKey =
      test::MakeKey(locked.path(), "Verdict Locked <locked@example.org>", kKeyPassphrase);
  Homes() { test::CopyPublicKey(locked.path(), own.path(), lockedKey.fingerprint); }
};
const Homes& SharedHomes() {
  static Homes* homes = new Homes;
  return *homes;
}

// A leaf message with a page, form text and one attachment.
std::string LeafMessage(const test::TempDir& dir) {
  test::WriteFile(dir.File("attached.bin"), std::string(3000, 'x'));
  test::MemoryPage page;
  page.document = "<html><body>記録</body></html>";
  page.form = "title=verdict";
  AttachmentStore store;
  store.Append("attached.bin", dir.File("attached.bin"), "");
  test::PlainFileSource source;
  test::RecordingReport report;
  LeafWriter writer(page, store, test::SettingsFor(dir.path()), report, &source);
  Result written = kFailure;
  std::string message = test::WriteToString(writer, &written);
  EXPECT_EQ(written, kOk);
  return message;
}

// `bytes` encrypted by the real gpg1 of `home`: to `recipient`, or with
// `passphrase` when no recipient is given.
void Encrypt(const std::string& home, const std::string& recipient, const char* passphrase,
             const std::string& bytes, const std::string& path) {
  Fd input, inputChild;
  ASSERT_EQ(CreateOutboundPipe(input, inputChild), kOk);
  Fd output(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  ASSERT_TRUE(output.valid());
  GpgEngine engine(test::SettingsFor(home));
  const Result started =
      recipient.empty()
          ? engine.EncryptSymmetric(std::move(inputChild), std::move(output), false, passphrase,
                                    Fd(), Fd())
          : engine.Encrypt({recipient}, std::move(inputChild), std::move(output), false, nullptr,
                           Fd(), Fd());
  ASSERT_EQ(started, kOk);
  // gpg takes its input while it writes to the file: nothing blocks.
  EXPECT_EQ(WritePipeBytes(input.get(), bytes.data(), bytes.size()), kOk);
  input.reset();
  ASSERT_EQ(engine.Finish().status, kOk);
}

const char* Name(OpenVerdict verdict) {
  switch (verdict) {
    case OpenVerdict::Read: return "Read";
    case OpenVerdict::ReadInPart: return "ReadInPart";
    case OpenVerdict::NotALeaf: return "NotALeaf";
    case OpenVerdict::NotDecryptable: return "NotDecryptable";
    case OpenVerdict::WrongPassphrase: return "WrongPassphrase";
    case OpenVerdict::PassphraseRejected: return "PassphraseRejected";
    case OpenVerdict::PassphraseNeeded: return "PassphraseNeeded";
    case OpenVerdict::AnswersRanOut: return "AnswersRanOut";
  }
  return "?";
}

TEST(OpenVerdict, EachWayAnOpenEndsOverRealGpg) {
  const Homes& homes = SharedHomes();
  test::TempDir dir;
  const std::string own = homes.own.path();
  const std::string locked = homes.locked.path();
  const std::string message = LeafMessage(dir);
  // Cut inside the attachment's body: the page and form text are whole.
  const std::size_t attachment = message.find("attached.bin");
  ASSERT_NE(attachment, std::string::npos);
  const std::string cut = message.substr(0, attachment + 400);

  Encrypt(own, homes.ownKey.fingerprint, nullptr, message, dir.File("own.gpg"));
  Encrypt(own, homes.ownKey.fingerprint, nullptr, cut, dir.File("cut.gpg"));
  Encrypt(own, homes.ownKey.fingerprint, nullptr, "just a note\n", dir.File("note.gpg"));
  Encrypt(own, homes.lockedKey.fingerprint, nullptr, message, dir.File("locked.gpg"));
  Encrypt(own, "", kMessagePassphrase, message, dir.File("sealed.gpg"));
  test::WriteFile(dir.File("plain.gpg"), "just text\n");

  struct Case {
    const char* what;
    std::string home;
    std::string file;
    std::vector<std::string> answers;
    OpenVerdict verdict;
  };
  const Case cases[] = {
      {"own key", own, "own.gpg", {}, OpenVerdict::Read},
      {"attachment cut short", own, "cut.gpg", {}, OpenVerdict::ReadInPart},
      {"decrypts to no leaf message", own, "note.gpg", {}, OpenVerdict::NotALeaf},
      {"no OpenPGP data", own, "plain.gpg", {}, OpenVerdict::NotDecryptable},
      {"to a key whose secret is not held", own, "locked.gpg", {}, OpenVerdict::NotDecryptable},
      {"message passphrase", own, "sealed.gpg", {kMessagePassphrase}, OpenVerdict::Read},
      {"wrong message passphrase", own, "sealed.gpg", {"not it"}, OpenVerdict::WrongPassphrase},
      {"no message passphrase", own, "sealed.gpg", {}, OpenVerdict::PassphraseNeeded},
      {"key passphrase", locked, "locked.gpg", {kKeyPassphrase}, OpenVerdict::Read},
      {"wrong key passphrase", locked, "locked.gpg", {"nope"}, OpenVerdict::PassphraseRejected},
      {"no key passphrase", locked, "locked.gpg", {}, OpenVerdict::PassphraseNeeded},
  };
  for (const Case& c : cases) {
    const GpgSettings settings = test::SettingsFor(c.home);
    DeferredReport report;
    LeafFile leaf(settings, report);
    ScriptedAnswers questions(c.answers);
    PlainFormPage page;
    test::RecordingSink sink;
    OpenCheckResult checked;
    Result readResult = kOk;
    ASSERT_EQ(leaf.ReadInOnePass(dir.File(c.file), questions, page, sink, checked, readResult),
              kOk)
        << c.what;
    const OpenVerdict verdict = JudgeOpen(checked, page, readResult);
    EXPECT_STREQ(Name(verdict), Name(c.verdict)) << c.what;
    if (verdict == OpenVerdict::Read) {
      EXPECT_EQ(page.document, "<html><body>記録</body></html>") << c.what;
      EXPECT_EQ(page.form, "title=verdict") << c.what;
      ASSERT_EQ(sink.attachments.size(), 1u) << c.what;
      EXPECT_EQ(sink.attachments[0].second, std::string(3000, 'x')) << c.what;
    }
  }
}

// gpg asking once more after a passphrase was given, with no answer left
// (search gives one passphrase a few times at most): the given one did not
// do. gpg1 ends at its first BAD_PASSPHRASE, so this pass is made by hand.
TEST(OpenVerdict, ARefusedQuestionAfterAnAnswerIsNotAMissingPassphrase) {
  OpenCheckResult checked;
  checked.end = OpenCheckEnd::Cancelled;
  checked.passphraseGiven = true;
  const PlainFormPage page;
  EXPECT_EQ(JudgeOpen(checked, page, kOk), OpenVerdict::AnswersRanOut);
  checked.passphraseGiven = false;
  EXPECT_EQ(JudgeOpen(checked, page, kOk), OpenVerdict::PassphraseNeeded);
}

}  // namespace
}  // namespace ambrine
