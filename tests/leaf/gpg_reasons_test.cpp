// When gpg fails, the leaf core passes on why, in gpg's words, and the old
// leaf stays. With the real gpg1, and a really full disk: a 64 KiB tmpfs
// mounted for the test (mounting needs CAP_SYS_ADMIN; without it the full
// disk test is skipped and says so).
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gpg/own_key.h"
#include "leaf/attachment_files.h"
#include "leaf/leaf_file.h"
#include "leaf/plain_form_page.h"
#include "support/recording_report.h"
#include "support/small_disk.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

using test::RecordingReport;

constexpr const char* kNoSpace = "No space left on device";

class NoQuestions : public SaveQuestions, public LeafOpenQuestions {
 public:
  std::string AskLine(const std::string&, bool) override { return ""; }
  bool AskYesNo(const std::string&) override { return false; }
  bool AskPassphrase(bool, std::string&) override { return false; }
  void ShowBadPassphrase() override { shown.push_back("bad passphrase: " + gpgError()); }
  void ShowNotDecryptable() override { shown.push_back("not decryptable: " + gpgError()); }
  bool ConfirmSignatures(const OpenCheckResult&) override { return false; }
  std::vector<std::string> shown;
};

// One key pair per process; making it is the slow part.
struct Keys {
  test::TempDir home;
  test::TestKey key = test::MakeKey(home.path(), "Reason Tester <reason@example.org>");
  GpgSettings settings = test::SettingsFor(home.path());
};
const Keys& SharedKeys() {
  static Keys* keys = new Keys;
  return *keys;
}

// Temporary files ReplacementFile leaves beside `name` in `folder`.
int LeftBeside(const std::string& folder, const std::string& name) {
  int count = 0;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir)) count += std::string(e->d_name).rfind("." + name + ".", 0) == 0;
    closedir(dir);
  }
  return count;
}

// Saves `document` to `path` with the own key.
SaveOutcome Save(const std::string& path, std::string document, const AttachmentStore& store,
                 RecordingReport& report, std::string* gpgError,
                 const std::vector<std::string>& chosen = {}) {
  SaveRequest request;
  request.recipients = SaveRecipients(chosen, ReadOwnKey(SharedKeys().settings).fingerprint);
  request.outputPath = path;
  PlainFormPage page;
  page.document = std::move(document);
  NoQuestions questions;
  LeafFile file(SharedKeys().settings, report);
  const SaveOutcome outcome = file.Save(request, page, store, questions);
  *gpgError = file.gpgError();
  return outcome;
}

class GpgReasons : public ::testing::Test {
 protected:
  void SetUp() override {
    SharedKeys();  // made outside the per-test temporary folder
    setenv("TMPDIR", tmp_.path().c_str(), 1);
  }
  void TearDown() override { setenv("TMPDIR", saved_.c_str(), 1); }

  std::string saved_ = getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp";
  test::TempDir tmp_;
  test::TempDir work_;
  AttachmentStore none_;
  RecordingReport report_;
  std::string gpgError_;
};

TEST_F(GpgReasons, AFailedSaveCarriesGpgsReasonAndKeepsTheOldLeaf) {
  const std::string leaf = work_.File("leaf.gpg");
  ASSERT_EQ(Save(leaf, "<p>old</p>", none_, report_, &gpgError_), SaveOutcome::Saved);
  const std::string before = test::ReadFile(leaf);
  const std::string unknown(40, 'E');  // gpg knows no key by this fingerprint

  EXPECT_EQ(Save(leaf, "<p>new</p>", none_, report_, &gpgError_, {unknown}),
            SaveOutcome::EncryptionFailed);
  EXPECT_EQ(gpgError_, "gpg: [stdin]: sign+encrypt failed: public key not found");
  EXPECT_TRUE(report_.reports.empty());

  // An attachment's gpg fails: its line comes with the writer's reports.
  test::WriteFile(work_.File("a.txt"), "attached");
  AttachmentStore store;
  ASSERT_EQ(AttachmentFiles(SharedKeys().settings, report_).Attach(work_.File("a.txt"), store),
            AttachOutcome::Attached);
  test::WriteFile(store.Find(0)->tempPath, "damaged");
  EXPECT_EQ(Save(leaf, "<p>new</p>", store, report_, &gpgError_), SaveOutcome::Reported);
  EXPECT_EQ(report_.Points(), (std::vector<const ReportPoint*>{&report::kSourceGpgFailed,
                                                            &report::kAttachmentUnwritten}));
  EXPECT_EQ(gpgError_, "gpg: no valid OpenPGP data found.");

  EXPECT_EQ(test::ReadFile(leaf), before);
  EXPECT_EQ(LeftBeside(work_.path(), "leaf.gpg"), 0);
}

TEST_F(GpgReasons, AFullDiskKeepsTheOldLeafByteForByteAndNamesTheDisk) {
  const test::TempDir mountPoint;
  const std::string disk = mountPoint.path();
  const test::SmallDisk small(disk);
  if (!small.failure().empty()) GTEST_SKIP() << small.failure();
  const std::string leaf = disk + "/leaf.gpg";
  ASSERT_EQ(Save(leaf, "<p>old</p>", none_, report_, &gpgError_), SaveOutcome::Saved);
  const std::string before = test::ReadFile(leaf);
  // An attachment made while there is room, to be extracted onto the full disk.
  test::WriteFile(work_.File("b.bin"), std::string(100000, 'b'));
  AttachmentStore attached;
  ASSERT_EQ(AttachmentFiles(SharedKeys().settings, report_).Attach(work_.File("b.bin"), attached),
            AttachOutcome::Attached);
  test::WriteFile(disk + "/kept.bin", "the file that was there");
  ASSERT_TRUE(small.Fill());

  // A small message: gpg takes all of it, then cannot write.
  EXPECT_EQ(Save(leaf, "<p>new</p>", none_, report_, &gpgError_), SaveOutcome::EncryptionFailed);
  EXPECT_NE(gpgError_.find(kNoSpace), std::string::npos) << gpgError_;
  EXPECT_TRUE(report_.reports.empty());
  // A large one, incompressible: gpg ends while the program still writes to
  // it. The broken pipe is reported as ever, and gpg's line tells why.
  std::string large(2 << 20, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>((i * 2654435761u) >> 13);
  EXPECT_EQ(Save(leaf, large, none_, report_, &gpgError_), SaveOutcome::Reported);
  EXPECT_EQ(report_.reports, (std::vector<test::Reported>{
                                 {ResultFromErrno(EPIPE), report::kClosingDashesWriteFailed}}));
  EXPECT_NE(gpgError_.find(kNoSpace), std::string::npos) << gpgError_;
  EXPECT_EQ(test::ReadFile(leaf), before);
  EXPECT_EQ(LeftBeside(disk, "leaf.gpg"), 0);

  // Extracting onto the full disk keeps the file that was there.
  AttachmentFiles files(SharedKeys().settings, report_);
  EXPECT_EQ(files.Extract(*attached.Find(0), disk + "/kept.bin"), ExtractOutcome::DecryptionFailed);
  EXPECT_NE(files.gpgError().find(kNoSpace), std::string::npos) << files.gpgError();
  EXPECT_EQ(test::ReadFile(disk + "/kept.bin"), "the file that was there");
  EXPECT_EQ(LeftBeside(disk, "kept.bin"), 0);
}

// No key is needed to fail an open.
TEST(GpgReasonsOnOpen, TheCheckingPassSaysWhyItCouldNotDecrypt) {
  test::TempDir home;
  test::WriteFile(home.File("not-a-leaf.gpg"), "just text\n");
  PlainFormPage page;
  page.document = "on screen";
  AttachmentStore store;
  RecordingReport report;
  NoQuestions questions;
  const GpgSettings settings = test::SettingsFor(home.path());
  LeafFile file(settings, report);
  EXPECT_EQ(file.Open(home.File("not-a-leaf.gpg"), questions, page, store), OpenOutcome::Stopped);
  EXPECT_EQ(questions.shown,
            std::vector<std::string>{"not decryptable: gpg: no valid OpenPGP data found."});
  EXPECT_EQ(page.document, "on screen");
  EXPECT_TRUE(report.reports.empty());
}

}  // namespace
}  // namespace ambrine
