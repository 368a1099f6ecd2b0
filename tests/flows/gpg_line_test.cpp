// The window's failure boxes keep their text and add gpg's own line under
// it, also for a save onto a really full disk: a 64 KiB tmpfs mounted for
// the test (without the right to mount, that test is skipped and says so).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QAction>
#include <QMessageBox>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/report_point.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "support/small_disk.h"

namespace ambrine {
namespace {

using test::ModalScript;
using test::Window;

std::string MakeSource(const std::string& name, const std::string& bytes) {
  const std::string dir = test::WorkFolder() + "/gpg-line-sources";
  std::filesystem::create_directories(dir);
  test::WriteFile(dir + "/" + name, bytes);
  return dir + "/" + name;
}

// Runs `command` (`script` answering its windows); the last window's text.
template <typename Command>
QString LastBoxOf(ModalScript& script, std::size_t windows, Command command) {
  command();
  EXPECT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen().size(), windows) << script.Log().toStdString();
  return script.seen().empty() ? QString() : script.seen().back().text;
}

void Attach(Window& window, const std::string& path) {
  ModalScript script;
  script.FileDialog(QString::fromStdString(path));
  std::optional<std::string> result;
  LastBoxOf(script, 1, [&] { window.view().attachFile(result); });
}

TEST(GpgLine, FailureBoxesKeepTheirTextAndAddGpgsLine) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("line-boxes", test::Keys().bobHome)));
  // Bob's key passphrase is never the right one: gpg gives up signing.
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(test::WorkFolder() + "/line.gpg"))
      .InputBox(QStringLiteral("wrong")).MessageBox(QMessageBox::Ok)
      .InputBox(QStringLiteral("wrong again")).MessageBox(QMessageBox::Ok)
      .InputBox(QStringLiteral("still wrong")).MessageBox(QMessageBox::Ok)
      .MessageBox(QMessageBox::Ok);
  const QString saved = LastBoxOf(save, 8, [&] { window.frame().action(kCmdSave)->trigger(); });
  EXPECT_TRUE(saved.startsWith(QStringLiteral("Encryption Failed.\ngpg: "))) << saved.toStdString();
  EXPECT_TRUE(saved.contains(QStringLiteral("bad passphrase"))) << saved.toStdString();

  ModalScript open;
  open.FileDialog(QString::fromStdString(MakeSource("not-a-leaf.gpg", "just text\n")))
      .MessageBox(QMessageBox::Ok);
  EXPECT_EQ(LastBoxOf(open, 2, [&] { window.frame().action(kCmdOpen)->trigger(); }),
            QStringLiteral("復号できません\ngpg: no valid OpenPGP data found."));

  Attach(window, MakeSource("c.txt", "content of c"));
  ASSERT_EQ(window.view().record().attachments().Count(), 1u);
  test::WriteFile(window.view().record().attachments().Find(0)->tempPath, "damaged");
  ModalScript extract;
  extract.FileDialog(QString::fromStdString(test::WorkFolder() + "/line-extracted.txt"))
      .MessageBox(QMessageBox::Ok);
  EXPECT_EQ(LastBoxOf(extract, 2, [&] { window.view().extractFile(0); }),
            QStringLiteral("添付ファイルを取り出せません: c.txt\ngpg: no valid OpenPGP data found."));
  EXPECT_TRUE(window.report().reports.empty());
}

TEST(GpgLine, AFullDiskReadsAsSuchAndTheOldLeafStays) {
  const std::string disk = test::WorkFolder() + "/line-full-disk";
  std::filesystem::create_directories(disk);
  const test::SmallDisk small(disk);
  if (!small.failure().empty()) GTEST_SKIP() << small.failure();
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("line-full", test::Keys().aliceHome)));
  const std::string leaf = disk + "/leaf.gpg";
  ModalScript first;
  first.SaveOptions({}, QString::fromStdString(leaf));
  LastBoxOf(first, 1, [&] { window.frame().action(kCmdSave)->trigger(); });
  const std::string before = test::ReadFile(leaf);
  ASSERT_FALSE(before.empty());

  // Far more than gpg takes in before it first writes, and incompressible.
  std::string bytes(3 << 20, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  const std::string big = MakeSource("big.bin", bytes);
  Attach(window, big);
  ASSERT_TRUE(small.Fill());

  // gpg ends while the message is still being written: the broken pipe is
  // reported as ever, then gpg's reason.
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(leaf)).MessageBox(QMessageBox::Ok);
  const QString why = LastBoxOf(save, 2, [&] { window.frame().action(kCmdSave)->trigger(); });
  EXPECT_TRUE(why.startsWith(QStringLiteral("gpg: ")) && why.contains("No space left on device"))
      << why.toStdString();
  EXPECT_EQ(window.report().reports, (std::vector<test::Reported>{
                                         {ResultFromErrno(EPIPE), report::kClosingDashesWriteFailed}}));
  EXPECT_EQ(test::ReadFile(leaf), before);

  // Temporary attachment files on the full disk: nothing is attached.
  const std::string savedTmp = getenv("TMPDIR");
  setenv("TMPDIR", disk.c_str(), 1);
  ModalScript attach;
  attach.FileDialog(QString::fromStdString(big)).MessageBox(QMessageBox::Ok);
  std::optional<std::string> result;
  const QString refused = LastBoxOf(attach, 2, [&] { window.view().attachFile(result); });
  setenv("TMPDIR", savedTmp.c_str(), 1);
  EXPECT_TRUE(refused.startsWith(QStringLiteral("ファイルを添付できません: big.bin\ngpg: ")) &&
              refused.contains("No space left on device"))
      << refused.toStdString();
  EXPECT_EQ(window.view().record().attachments().Count(), 1u);
}

}  // namespace
}  // namespace ambrine
