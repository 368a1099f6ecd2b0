#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>

#include "leaf/attachment_files.h"
#include "leaf/attachment_store.h"
#include "leaf_test_support.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string NewTempFile() {
  std::string path;
  Fd fd;
  EXPECT_EQ(CreateTempAttachmentFile(path, fd), kOk);
  return path;
}

TEST(AttachmentStore, TempFilesAreOwnerOnlyAmbFilesInTmpdir) {
  test::TempDir dir;
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  ::setenv("TMPDIR", dir.path().c_str(), 1);
  std::string path;
  Fd fd;
  Result status = CreateTempAttachmentFile(path, fd);
  if (old) ::setenv("TMPDIR", saved.c_str(), 1); else ::unsetenv("TMPDIR");
  ASSERT_EQ(status, kOk);
  EXPECT_TRUE(fd.valid());
  const std::string name = path.substr(path.rfind('/') + 1);
  EXPECT_EQ(path.substr(0, path.rfind('/')), dir.path());
  EXPECT_EQ(name.substr(0, 3), "AMB");
  EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
  EXPECT_EQ(name.size(), 13u);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(info.st_size, 0);
  ::unlink(path.c_str());
}

TEST(AttachmentStore, RemovingRenumbersAndDeletesOnlyThatFile) {
  auto store = std::make_unique<AttachmentStore>();
  std::vector<std::string> paths;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    paths.push_back(NewTempFile());
    store->Append(name, paths.back(), "0123456789ABCDEF");
  }
  EXPECT_EQ(store->Count(), 3u);
  EXPECT_FALSE(store->Remove(7));
  EXPECT_EQ(store->Count(), 3u);

  ASSERT_TRUE(store->Remove(1));
  EXPECT_FALSE(Exists(paths[1]));
  EXPECT_TRUE(Exists(paths[0]));
  ASSERT_EQ(store->Count(), 2u);
  ASSERT_NE(store->Find(1), nullptr);
  EXPECT_EQ(store->Find(1)->name, "c.txt");
  EXPECT_EQ(store->Find(0)->name, "a.txt");
  EXPECT_EQ(store->Find(2), nullptr);
  EXPECT_EQ(store->Append("d", NewTempFile(), "X"), 2);

  store->Clear();
  EXPECT_TRUE(store->Empty());
  EXPECT_FALSE(Exists(paths[0]));
  EXPECT_FALSE(Exists(paths[2]));

  paths.push_back(NewTempFile());
  store->Append("e", paths.back(), "X");
  store.reset();  // the store's end deletes its files too
  EXPECT_FALSE(Exists(paths.back()));
}

TEST(AttachmentStore, PassphrasesAreSixteenUpperCaseHexDigitsAndDiffer) {
  test::RecordingReport report;
  std::set<std::string> seen;
  for (int i = 0; i < 50; ++i) {
    std::string passphrase;
    ASSERT_EQ(MakeTempPassphrase(passphrase, 16, report), kOk);
    ASSERT_EQ(passphrase.size(), 16u);
    EXPECT_EQ(passphrase.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    seen.insert(passphrase);
  }
  EXPECT_EQ(seen.size(), 50u);
  EXPECT_TRUE(report.reports.empty());
}

TEST(SafeFileName, AStoredNameIsNeverProposedAsAPath) {
  EXPECT_EQ(SafeFileName("../../../../../tmp/x/pwned.txt"), "pwned.txt");
  EXPECT_EQ(SafeFileName("C:\\Users\\a\\report.pdf"), "report.pdf");
  EXPECT_EQ(SafeFileName("/etc/passwd"), "passwd");
  EXPECT_EQ(SafeFileName("...bashrc"), "bashrc");
  EXPECT_EQ(SafeFileName(std::string("a\r\nb\0c\x7F.txt", 11)), "abc.txt");
  EXPECT_EQ(SafeFileName("dir/"), "attachment");
  EXPECT_EQ(SafeFileName(".."), "attachment");
  EXPECT_EQ(SafeFileName(""), "attachment");
  // Ordinary names, dots inside them and Japanese names stay as they are.
  EXPECT_EQ(SafeFileName("notes.v2.txt"), "notes.v2.txt");
  EXPECT_EQ(SafeFileName("\xE5\xA0\xB1\xE5\x91\x8A.txt"), "\xE5\xA0\xB1\xE5\x91\x8A.txt");
}

}  // namespace
}  // namespace ambrine
