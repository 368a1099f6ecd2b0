// Round trips through the real gpg1, with throwaway key rings: the library
// as the window uses it, and broken messages read with real temporary files.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "gpg/gpg_engine.h"
#include "leaf/leaf_reader.h"
#include "leaf/leaf_writer.h"
#include "gpg/own_key.h"
#include "leaf/attachment_files.h"
#include "leaf/leaf_file.h"
#include "leaf/plain_form_page.h"
#include "leaf_test_support.h"
#include "support/generated_leaf.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

using test::RecordingReport;

// Answers every passphrase question with one passphrase; yes to the rest.
class FixedAnswers : public SaveQuestions, public OpenQuestions {
 public:
  explicit FixedAnswers(std::string passphrase) : passphrase_(std::move(passphrase)) {}
  std::string AskLine(const std::string&, bool) override { return passphrase_; }
  bool AskYesNo(const std::string&) override { return true; }
  void ShowBadPassphrase() override {}
  bool AskPassphrase(bool, std::string& answer) override {
    answer = passphrase_;
    return true;
  }

 private:
  std::string passphrase_;
};

// Goes on at every question of an open.
class AcceptingOpen : public LeafOpenQuestions {
 public:
  bool AskPassphrase(bool, std::string&) override { return false; }
  void ShowBadPassphrase() override { ADD_FAILURE() << "bad passphrase"; }
  void ShowNotDecryptable() override { ADD_FAILURE() << "not decryptable"; }
  bool ConfirmSignatures(const OpenCheckResult&) override { return true; }
};

// The memory the process holds now.
std::size_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::size_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// One key for the whole binary; key generation is the slow part.
struct Keys {
  test::TempDir home;
  test::TestKey key = test::MakeKey(home.path(), "Leaf Tester <leaf@example.org>");
  GpgSettings settings = test::SettingsFor(home.path());
};
Keys& SharedKeys() {
  static Keys* keys = new Keys;
  return *keys;
}

// Temporary attachment files go to a folder of the test's own, so leftovers
// can be counted.
class LeafGpg : public ::testing::Test {
 protected:
  void SetUp() override {
    SharedKeys();  // made outside the per-test temporary folder
    saved_ = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TMPDIR", tmp_.path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_.empty()) unsetenv("TMPDIR"); else setenv("TMPDIR", saved_.c_str(), 1);
  }
  int TempFiles() const {
    int count = 0;
    if (DIR* dir = opendir(tmp_.path().c_str())) {
      while (dirent* e = readdir(dir)) count += std::string(e->d_name).rfind("AMB", 0) == 0;
      closedir(dir);
    }
    return count;
  }
  std::string Decrypted(const AttachmentEntry& entry) {
    std::string out = work_.File("out" + std::to_string(entry.index));
    GpgEngine engine(SharedKeys().settings);
    EXPECT_EQ(engine.DecryptFile(entry.tempPath, out, false, entry.tempPassphrase.c_str()).status, kOk);
    return test::ReadFile(out);
  }

  test::TempDir tmp_;
  test::TempDir work_;
  std::string saved_;
};

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 2654435761u + seed) >> 11);
  return bytes;
}

TEST_F(LeafGpg, PublicKeyAndPassphraseLeavesRoundTripWithTheirAttachments) {
  const GpgSettings& settings = SharedKeys().settings;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"\xE6\x97\xA5\xE8\xA8\x98 1.bin", Pattern(200001, 1)}, {"empty", ""}, {"s", "x"}};
  AttachmentStore store;
  RecordingReport report;
  for (const auto& [name, content] : files) {
    test::WriteFile(work_.File(name), content);
    ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File(name), store),
              AttachOutcome::Attached);
  }
  // The temporary files hold ciphertext only.
  EXPECT_NE(test::ReadFile(store.Find(0)->tempPath).find("\x8c"), std::string::npos);
  EXPECT_EQ(test::ReadFile(store.Find(0)->tempPath).find(files[0].second.substr(0, 64)), std::string::npos);

  for (bool symmetric : {false, true}) {
    PlainFormPage page;
    page.document = "<!DOCTYPE html><html><body>\xE6\x97\xA5</body></html>";
    page.form = std::string("k=v\x01", 4) + std::string(57, 'z');
    SaveRequest request;
    request.publicKeyMode = !symmetric;
    request.recipients = SaveRecipients({}, ReadOwnKey(settings).fingerprint);
    request.passphrase = "pass phrase";
    request.outputPath = work_.File("leaf.gpg");
    FixedAnswers noKeyPassphrase("");
    ASSERT_EQ(LeafFile(settings, report).Save(request, page, store, noKeyPassphrase),
              SaveOutcome::Saved);
    EXPECT_TRUE(request.passphrase.empty());  // wiped once the save ended

    PlainFormPage opened;
    AttachmentStore reopened;
    GpgAttachmentSink sink(reopened, settings, report);
    OpenCheckResult result;
    Result readResult = kFailure;
    FixedAnswers answers("pass phrase");
    ASSERT_EQ(LeafFile(settings, report)
                  .ReadInOnePass(request.outputPath, answers, opened, sink, result, readResult),
              kOk);
    EXPECT_EQ(readResult, kOk);
    EXPECT_TRUE(result.decrypted);
    ASSERT_EQ(result.goodSignatures.size(), 1u);
    EXPECT_NE(result.goodSignatures[0].text.find(" Leaf Tester <leaf@example.org>"), std::string::npos);
    EXPECT_EQ(result.goodSignatures[0].fingerprint, ReadOwnKey(settings).fingerprint);
    EXPECT_EQ(opened.document, page.document);
    EXPECT_EQ(opened.form, page.form);
    ASSERT_EQ(reopened.Count(), files.size());
    for (const AttachmentEntry& entry : reopened) {
      EXPECT_EQ(entry.name, files[entry.index].first);
      EXPECT_EQ(entry.tempPassphrase.size(), 16u);
      EXPECT_NE(entry.tempPassphrase, store.Find(entry.index)->tempPassphrase);
      EXPECT_EQ(Decrypted(entry), files[entry.index].second) << entry.name;
    }
  }
  EXPECT_TRUE(report.reports.empty());
  store.Clear();
  EXPECT_EQ(TempFiles(), 0);
}

TEST_F(LeafGpg, AnUndecryptableTemporaryFileFailsTheSaveInsteadOfDroppingTheAttachment) {
  const GpgSettings& settings = SharedKeys().settings;
  AttachmentStore store;
  RecordingReport report;
  test::WriteFile(work_.File("a"), "content");
  ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File("a"), store),
            AttachOutcome::Attached);
  AttachmentStore wrong;
  wrong.Append("a", store.Find(0)->tempPath, "0000000000000000");
  test::MemoryPage page;
  LeafWriter writer(page, wrong, settings, report);
  Result status = kOk;
  std::string message = test::WriteToString(writer, &status);
  EXPECT_EQ(status, kFailure);
  EXPECT_EQ(report.Points(), (std::vector<const ReportPoint*>{&report::kSourceGpgFailed,
                                                           &report::kAttachmentUnwritten}));
  EXPECT_EQ(message.find("--" + test::BoundaryOf(message) + "--"), std::string::npos);
  // `wrong` must not delete the file that `store` owns.
  wrong.Clear();
}

TEST_F(LeafGpg, BrokenMessagesFailCleanlyAndLeaveNoTemporaryFiles) {
  const std::string top = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
  const std::string head =
      top + "--b\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: BASE64\r\n\r\nQQ==\r\n"
            "--b\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n";
  const std::string attachment =
      "--b\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: BASE64\r\n\r\n";
  const std::vector<std::string> broken = {
      "",
      "\r\n",
      top,
      top + "--b--\r\n",
      head,
      head + attachment,
      head + attachment + "QUJD",
      head + attachment + "QUJD\r\n--b\r\n",
      head + attachment + "QUJD\r\n--b-- \r\n",
      head + attachment + std::string(300000, '\xFF'),
      head + "--b\r\nContent-Type: application/octet-stream\r\n\r\n",
      head + "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: a; filename=\"x\r\n"
             "Content-Transfer-Encoding: BASE64\r\n\r\n",
      std::string("Content-Type: multipart/mixed; boundary=\"\0\"\r\n\r\n", 48),
  };
  for (const std::string& message : broken) {
    {
      AttachmentStore store;
      RecordingReport report;
      test::MemoryPage page;
      LineReader input(message);
      GpgAttachmentSink sink(store, SharedKeys().settings, report);
      LeafReader reader(input, page, sink, report);
      Result status = reader.ReadLeafMessage();
      EXPECT_TRUE(Failed(status) || message.empty() || message == "\r\n") << message.substr(0, 200);
    }
    EXPECT_EQ(TempFiles(), 0) << message.substr(0, 200);
  }
}

// Answers the confirmation as told, noting what the record looked like
// while the question was open.
class ConfirmingOpen : public AcceptingOpen {
 public:
  ConfirmingOpen(bool answer, std::function<void()> whileAsked)
      : answer_(answer), whileAsked_(std::move(whileAsked)) {}
  bool ConfirmSignatures(const OpenCheckResult&) override {
    ++asked;
    whileAsked_();
    return answer_;
  }
  int asked = 0;

 private:
  bool answer_;
  std::function<void()> whileAsked_;
};

TEST_F(LeafGpg, AnOpenChangesNothingUntilConfirmedAndANoOrACancelLeavesNoFileBehind) {
  const GpgSettings& settings = SharedKeys().settings;
  RecordingReport report;
  // The leaf: a page, its form text and one attachment.
  AttachmentStore saved;
  test::WriteFile(work_.File("new"), Pattern(300000, 7));
  ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File("new"), saved),
            AttachOutcome::Attached);
  PlainFormPage leafPage;
  leafPage.document = "<p>leaf</p>";
  leafPage.form = "leaf form";
  SaveRequest request;
  request.recipients = SaveRecipients({}, ReadOwnKey(settings).fingerprint);
  request.outputPath = work_.File("leaf.gpg");
  FixedAnswers none("");
  ASSERT_EQ(LeafFile(settings, report).Save(request, leafPage, saved, none), SaveOutcome::Saved);
  saved.Clear();
  const std::string leafBytes = test::ReadFile(request.outputPath);

  // A save cancelled on its way keeps the leaf and leaves no partial file.
  {
    AttachmentStore big;
    test::WriteFile(work_.File("big"), Pattern(4u << 20, 3));
    ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File("big"), big),
              AttachOutcome::Attached);
    OperationProgress progress;
    progress.Cancel();
    ASSERT_EQ(LeafFile(settings, report).Save(request, leafPage, big, none, &progress),
              SaveOutcome::Cancelled);
    EXPECT_EQ(test::ReadFile(request.outputPath), leafBytes);
    int files = 0;  // new, big and the leaf: no partial leaf beside them
    if (DIR* dir = opendir(work_.path().c_str())) {
      while (dirent* e = readdir(dir)) files += e->d_name[0] != '.';
      closedir(dir);
    }
    EXPECT_EQ(files, 3);
    big.Clear();
  }

  // The record on screen.
  test::MemoryPage page;
  page.document = "<p>record</p>";
  page.form = "record";
  AttachmentStore store;
  test::WriteFile(work_.File("kept"), "kept");
  ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File("kept"), store),
            AttachOutcome::Attached);
  auto unchanged = [&] {
    EXPECT_EQ(page.loads, 0);
    EXPECT_EQ(page.restores, 0);
    ASSERT_EQ(store.Count(), 1u);
    EXPECT_EQ(Decrypted(*store.Find(0)), "kept");
  };

  // No: the attachment taken aside while asking is deleted again.
  ConfirmingOpen declining(false, [&] {
    unchanged();
    EXPECT_EQ(TempFiles(), 2);
  });
  EXPECT_EQ(LeafFile(settings, report).Open(request.outputPath, declining, page, store),
            OpenOutcome::Stopped);
  EXPECT_EQ(declining.asked, 1);
  unchanged();
  EXPECT_EQ(TempFiles(), 1);

  // Cancelled: no question, nothing kept.
  OperationProgress cancelled;
  cancelled.Cancel();
  ConfirmingOpen unasked(true, [] {});
  EXPECT_EQ(LeafFile(settings, report).Open(request.outputPath, unasked, page, store, &cancelled),
            OpenOutcome::Stopped);
  EXPECT_EQ(unasked.asked, 0);
  unchanged();
  EXPECT_EQ(TempFiles(), 1);
  EXPECT_TRUE(report.reports.empty());

  // Yes: the leaf replaces the record, its attachment the old one.
  OperationProgress progress;
  ConfirmingOpen accepting(true, [&] { unchanged(); });
  EXPECT_EQ(LeafFile(settings, report).Open(request.outputPath, accepting, page, store, &progress),
            OpenOutcome::Opened);
  EXPECT_EQ(page.document, "<p>leaf</p>");
  EXPECT_EQ(page.form, "leaf form");
  ASSERT_EQ(store.Count(), 1u);
  EXPECT_EQ(Decrypted(*store.Find(0)), Pattern(300000, 7));
  EXPECT_EQ(progress.total(), leafBytes.size());
  EXPECT_GT(progress.done(), 0u);
  EXPECT_EQ(TempFiles(), 1);
  EXPECT_TRUE(report.reports.empty());
  store.Clear();
}

TEST_F(LeafGpg, ACancelledAttachOrExtractAddsNothingAndLeavesTheTargetAsItWas) {
  const GpgSettings& settings = SharedKeys().settings;
  RecordingReport report;
  AttachmentFiles files(settings, report);
  AttachmentStore store;
  test::WriteFile(work_.File("big"), Pattern(16u << 20, 5));
  ASSERT_EQ(files.Attach(work_.File("big"), store), AttachOutcome::Attached);

  OperationProgress cancelled;
  cancelled.Cancel();
  EXPECT_EQ(files.Attach(work_.File("big"), store, &cancelled), AttachOutcome::Cancelled);
  EXPECT_EQ(store.Count(), 1u);
  EXPECT_EQ(TempFiles(), 1);

  test::WriteFile(work_.File("target"), "before");
  EXPECT_EQ(files.Extract(*store.Find(0), work_.File("target"), &cancelled),
            ExtractOutcome::Cancelled);
  EXPECT_EQ(test::ReadFile(work_.File("target")), "before");
  int entries = 0;  // big and target: no partial file beside the target
  if (DIR* dir = opendir(work_.path().c_str())) {
    while (dirent* e = readdir(dir)) entries += e->d_name[0] != '.';
    closedir(dir);
  }
  EXPECT_EQ(entries, 2);

  // Uncancelled, the progress ends at the file's size.
  OperationProgress progress;
  EXPECT_EQ(files.Extract(*store.Find(0), work_.File("target"), &progress),
            ExtractOutcome::Extracted);
  EXPECT_EQ(progress.total(), static_cast<std::uint64_t>(test::ReadFile(store.Find(0)->tempPath).size()));
  EXPECT_EQ(test::ReadFile(work_.File("target")), Pattern(16u << 20, 5));
  EXPECT_TRUE(report.reports.empty());
  store.Clear();
}

TEST_F(LeafGpg, APageOver256MiBFailsTheOpenAndLeavesTheRecordAndNoMemoryBehind) {
  const GpgSettings& settings = SharedKeys().settings;
  // One byte over the limit; gpg compresses it to well under a MiB.
  const std::string leaf = work_.File("bomb.gpg");
  test::MakeGeneratedLeaf(settings, SharedKeys().key.fingerprint, (256u << 20) + 1, 10, leaf);

  // The record on screen: a page and one attachment.
  RecordingReport report;
  AttachmentStore store;
  test::WriteFile(work_.File("kept"), "kept");
  ASSERT_EQ(AttachmentFiles(settings, report).Attach(work_.File("kept"), store),
            AttachOutcome::Attached);
  test::MemoryPage page;
  page.document = "<p>record</p>";
  page.form = "record";

  const std::size_t before = ResidentBytes();
  AcceptingOpen questions;
  EXPECT_EQ(LeafFile(settings, report).Open(leaf, questions, page, store), OpenOutcome::Stopped);
  EXPECT_LT(ResidentBytes(), before + (32u << 20));
  EXPECT_EQ(report.Points(), (std::vector<const ReportPoint*>{&report::kDocumentTooLarge,
                                                              &report::kDocumentPartUnusable}));
  for (const auto& reported : report.reports) EXPECT_EQ(reported.code, kInvalidData);
  EXPECT_EQ(page.loads, 0);
  EXPECT_EQ(page.restores, 0);
  EXPECT_EQ(page.document, "<p>record</p>");
  ASSERT_EQ(store.Count(), 1u);
  EXPECT_EQ(Decrypted(*store.Find(0)), "kept");
  EXPECT_EQ(TempFiles(), 1);
  store.Clear();
}

TEST_F(LeafGpg, ReadIntoMemoryGivesTheWholeContentThroughAPipeAndNothingOnFailure) {
  const GpgSettings& settings = SharedKeys().settings;
  RecordingReport report;
  AttachmentFiles files(settings, report);
  AttachmentStore store;
  test::WriteFile(work_.File("photo"), Pattern(3u << 20, 9));
  ASSERT_EQ(files.Attach(work_.File("photo"), store), AttachOutcome::Attached);

  // Read: the whole content, and no file beside the temporary one and the
  // source.
  OperationProgress progress;
  WipedBytes bytes;
  EXPECT_EQ(files.ReadIntoMemory(*store.Find(0), bytes, &progress), ReadOutcome::Read);
  EXPECT_TRUE(bytes.view() == Pattern(3u << 20, 9));
  EXPECT_EQ(progress.done(), 3u << 20);
  EXPECT_EQ(progress.total(), static_cast<std::uint64_t>(test::ReadFile(store.Find(0)->tempPath).size()));
  EXPECT_EQ(TempFiles(), 1);
  int entries = 0;
  if (DIR* dir = opendir(work_.path().c_str())) {
    while (dirent* e = readdir(dir)) entries += e->d_name[0] != '.';
    closedir(dir);
  }
  EXPECT_EQ(entries, 1);

  // Cancelled before gpg wrote a byte: nothing kept, gpg stopped.
  OperationProgress cancelled;
  cancelled.Cancel();
  EXPECT_EQ(files.ReadIntoMemory(*store.Find(0), bytes, &cancelled), ReadOutcome::Cancelled);
  EXPECT_TRUE(bytes.empty());

  // A working copy gpg cannot decrypt: its reason, and nothing kept.
  const std::string damaged = store.Find(0)->tempPath + ".damaged";
  test::WriteFile(damaged, test::ReadFile(store.Find(0)->tempPath).substr(0, 4096));
  store.Append("damaged", damaged, store.Find(0)->tempPassphrase);
  EXPECT_EQ(files.ReadIntoMemory(*store.Find(1), bytes), ReadOutcome::DecryptionFailed);
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(files.gpgError().empty());

  // More than the limit once decrypted, though the file is small (a copy
  // gpg compressed): gpg is stopped at the limit and nothing is kept.
  const std::string zeros = work_.File("zeros");
  test::WriteFile(zeros, "");  // sparse: it takes no room on disk
  ASSERT_EQ(::truncate(zeros.c_str(), static_cast<off_t>(kMaxReadIntoMemory + 1)), 0);
  const std::string packed = tmp_.path() + "/AMBpacked.TMP";
  GpgEngine engine(settings);
  ASSERT_EQ(engine.EncryptFileSymmetric(zeros, packed, false, nullptr, "PASSPHRASE").status, kOk);
  ::unlink(zeros.c_str());
  store.Append("zeros", packed, "PASSPHRASE");
  EXPECT_EQ(files.ReadIntoMemory(*store.Find(2), bytes), ReadOutcome::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_TRUE(report.reports.empty());
  store.Clear();
}

}  // namespace
}  // namespace ambrine
