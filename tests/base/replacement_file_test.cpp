// The replacement file in real folders: what replaces the target, what stays
// after a write that never commits, and which leftovers a new write clears.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/replacement_file.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode;
}

void WriteThrough(Fd fd, const std::string& bytes) {
  ASSERT_EQ(::write(fd.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

TEST(ReplacementFile, CommitPutsTheWholeNewFileInPlace) {
  test::TempDir dir;
  const std::string target = dir.File("leaf.html");
  test::WriteFile(target, "old version");

  // Written through the descriptor handed on.
  {
    ReplacementFile file;
    ASSERT_EQ(file.Create(target), kOk);
    EXPECT_EQ(file.tempPath().rfind(dir.File(".leaf.html."), 0), 0u) << file.tempPath();
    EXPECT_EQ(ModeOf(file.tempPath()) & 07777, 0600u);
    WriteThrough(file.TakeFd(), "new version");
    EXPECT_EQ(file.Commit(), kOk);
  }
  EXPECT_EQ(test::ReadFile(target), "new version");
  EXPECT_EQ(ModeOf(target) & 07777, 0600u);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"leaf.html"});

  // Written by name while the object keeps its descriptor, as gpg does.
  {
    ReplacementFile file;
    ASSERT_EQ(file.Create(target), kOk);
    test::WriteFile(file.tempPath(), std::string("third\0version", 13));
    EXPECT_EQ(file.Commit(), kOk);
  }
  EXPECT_EQ(test::ReadFile(target), std::string("third\0version", 13));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"leaf.html"});

  // A target that did not exist yet, named without a folder.
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(dir.path().c_str()), 0);
  {
    ReplacementFile file;
    EXPECT_EQ(file.Create("fresh"), kOk);
    WriteThrough(file.TakeFd(), "x");
    EXPECT_EQ(file.Commit(), kOk);
  }
  ASSERT_EQ(::chdir(cwd), 0);
  EXPECT_EQ(test::ReadFile(dir.File("fresh")), "x");
}

TEST(ReplacementFile, WithoutCommitTheTargetStaysByteForByteAndTheTempFileGoes) {
  test::TempDir dir;
  const std::string target = dir.File("record");
  const std::string old("\x01\x02 old\r\n\xFF", 9);
  test::WriteFile(target, old);
  {
    ReplacementFile file;
    ASSERT_EQ(file.Create(target), kOk);
    WriteThrough(file.TakeFd(), "partial new cont");
    EXPECT_EQ(Entries(dir.path()).size(), 2u);
  }
  EXPECT_EQ(test::ReadFile(target), old);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"record"});

  // The same when the descriptor was never taken.
  { ReplacementFile file; ASSERT_EQ(file.Create(target), kOk); }
  EXPECT_EQ(test::ReadFile(target), old);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"record"});
}

TEST(ReplacementFile, ATempFileThatCannotBeFlushedIsNeverRenamed) {
  // Someone swaps the temporary file for a link after the descriptor went
  // to gpg: the file to flush cannot be opened, and the link must not take
  // the target's place.
  test::TempDir dir;
  const std::string target = dir.File("leaf");
  test::WriteFile(target, "kept");
  test::WriteFile(dir.File("elsewhere"), "other");
  ReplacementFile file;
  ASSERT_EQ(file.Create(target), kOk);
  file.TakeFd().reset();
  ASSERT_EQ(::unlink(file.tempPath().c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("elsewhere").c_str(), file.tempPath().c_str()), 0);
  EXPECT_TRUE(Failed(file.Commit()));
  EXPECT_TRUE(S_ISREG(ModeOf(target)));
  EXPECT_EQ(test::ReadFile(target), "kept");
}

TEST(ReplacementFile, CreateClearsOnlyLeftoversOfTheSameTarget) {
  test::TempDir dir;
  test::TempDir other;
  const std::string target = dir.File("a.leaf");
  test::WriteFile(target, "current");
  // Leftovers of earlier writes of a.leaf.
  test::WriteFile(dir.File(".a.leaf.Xq3Z0b"), "partial 1");
  test::WriteFile(dir.File(".a.leaf.000000"), "partial 2");
  // Look-alikes that must stay.
  const std::vector<std::string> kept = {
      ".a.leaf.Xq3Z0",     // five characters
      ".a.leaf.Xq3Z0bb",   // seven
      ".a.leaf.Xq-Z0b",    // "-" is never chosen by mkostemp
      ".b.leaf.Xq3Z0b",    // another target's
      ".a.leafXXq3Z0b",    // no dot after the name
      "a.leaf.Xq3Z0b",     // no leading dot
      ".a.leaf.link01",    // a link, not a regular file
  };
  for (const std::string& name : kept) {
    if (name != ".a.leaf.link01") test::WriteFile(dir.File(name), name);
  }
  ASSERT_EQ(::symlink(target.c_str(), dir.File(".a.leaf.link01").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File(".a.leaf.dir001").c_str(), 0700), 0);
  // The same name in another folder belongs to another target.
  test::WriteFile(other.File(".a.leaf.Xq3Z0b"), "elsewhere");

  ReplacementFile file;
  ASSERT_EQ(file.Create(target), kOk);
  const std::string mine = file.tempPath().substr(dir.path().size() + 1);

  std::vector<std::string> expected = kept;
  expected.push_back(".a.leaf.dir001");
  expected.push_back("a.leaf");
  expected.push_back(mine);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(dir.path()), expected);
  EXPECT_EQ(test::ReadFile(target), "current");
  EXPECT_TRUE(S_ISLNK(ModeOf(dir.File(".a.leaf.link01"))));
  EXPECT_EQ(test::ReadFile(other.File(".a.leaf.Xq3Z0b")), "elsewhere");

  WriteThrough(file.TakeFd(), "new");
  EXPECT_EQ(file.Commit(), kOk);
  EXPECT_EQ(test::ReadFile(target), "new");
  std::erase(expected, mine);
  EXPECT_EQ(Entries(dir.path()), expected);
}

}  // namespace
}  // namespace ambrine
