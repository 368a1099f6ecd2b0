// The recent-leaves list: order, limit, repeats, hostile lines, and the
// owner-only file that carries it across starts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/recent_leaves.h"
#include "support/test_keyring.h"

namespace ambrine {
namespace {

using Paths = std::vector<std::string>;

TEST(RecentLeaves, NewestFirstEightAtMostKeptOwnerOnlyAcrossStarts) {
  test::TempDir conf;
  const std::string file = conf.File("recent");
  RecentLeaves recent(file);
  recent.Load();
  EXPECT_TRUE(recent.paths().empty());
  for (int i = 0; i < 10; ++i) ASSERT_EQ(recent.Add("/r/" + std::to_string(i) + ".gpg"), kOk);
  ASSERT_EQ(recent.Add("/r/5.gpg"), kOk);  // moves up, not twice
  const Paths expected = {"/r/5.gpg", "/r/9.gpg", "/r/8.gpg", "/r/7.gpg",
                          "/r/6.gpg", "/r/4.gpg", "/r/3.gpg", "/r/2.gpg"};
  EXPECT_EQ(recent.paths(), expected);
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  RecentLeaves again(file);
  again.Load();
  EXPECT_EQ(again.paths(), expected);
  ASSERT_EQ(again.Remove("/r/9.gpg"), kOk);
  RecentLeaves third(file);
  third.Load();
  EXPECT_EQ(third.paths().size(), 7u);
  EXPECT_EQ(third.paths()[1], "/r/8.gpg");

  // Only absolute paths on a line of their own are kept.
  EXPECT_EQ(recent.Add("relative.gpg"), kInvalidData);
  EXPECT_EQ(recent.Add("/a\nb.gpg"), kInvalidData);
  test::WriteFile(file, "/x.gpg\nrelative\n\n/x.gpg\r\n/x.gpg\n/y \xE6\x97\xA5.gpg");
  third.Load();
  EXPECT_EQ(third.paths(), (Paths{"/x.gpg", "/y \xE6\x97\xA5.gpg"}));
}

}  // namespace
}  // namespace ambrine
