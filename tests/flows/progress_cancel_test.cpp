// Long operations in the real window with the real gpg1: a save or an open
// of a record with a large attachment shows its progress dialog, and the
// dialog's キャンセル stops it with nothing lost and nothing left behind: no
// file beside the leaf, no temporary file, no gpg process, no message.
#include <gtest/gtest.h>

#include <QAction>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

// Enough for gpg to work for seconds: the dialog shows after half a second.
constexpr std::size_t kLargeBytes = std::size_t{48} << 20;

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

// A file of random bytes (gpg cannot compress it away).
std::string LargeSource(const std::string& name) {
  const std::string path = test::WorkFolder() + "/" + name;
  std::mt19937_64 random(std::hash<std::string>()(name));
  std::ofstream out(path, std::ios::binary);
  std::vector<std::uint64_t> block(1 << 16);
  for (std::size_t written = 0; written < kLargeBytes; written += block.size() * 8) {
    for (auto& word : block) word = random();
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size() * 8));
  }
  return path;
}

// Through the page's own button, so the page shows the listing.
void AttachFromPage(Window& window, const std::string& path) {
  ModalScript script;
  script.FileDialog(QString::fromStdString(path));
  window.ClickPageElement(QStringLiteral("attach"));
  ASSERT_TRUE(test::SpinUntil([&] { return script.done(); })) << script.Log().toStdString();
}

// The names of the files in `folder`.
std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The gpg processes this process started that are still there (running, or
// ended and not waited for).
std::vector<std::string> GpgChildren() {
  std::vector<std::string> found;
  for (const auto& task : fs::directory_iterator("/proc/self/task")) {
    std::ifstream children(task.path() / "children");
    int pid = 0;
    while (children >> pid) {
      std::string name;
      std::ifstream("/proc/" + std::to_string(pid) + "/comm") >> name;
      if (name.rfind("gpg", 0) == 0) found.push_back(std::to_string(pid) + " " + name);
    }
  }
  return found;
}

std::vector<std::string> AttachmentNames(MainView& view) {
  std::vector<std::string> names;
  for (const AttachmentEntry& entry : view.record().attachments()) names.push_back(entry.name);
  return names;
}

TEST(ProgressCancel, ASaveStoppedFromTheProgressDialogKeepsTheOldLeafAndLeavesNothing) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("progress-save", test::Keys().aliceHome)));
  const std::string folder = test::WorkFolder() + "/progress-save-leaves";
  fs::create_directories(folder);
  const std::string leaf = folder + "/record.gpg";
  window.FillForm("the old record", "", "", "");
  window.SaveTo(leaf);
  ASSERT_EQ(window.view().record().leafPath(), leaf);
  const std::string oldLeaf = test::ReadFile(leaf);

  window.AttachFile(LargeSource("progress-save.bin"));
  ASSERT_EQ(window.view().record().attachments().Count(), 1u);
  window.FillForm("the new record", "", "", "");
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(leaf)).CancelProgress();
  Trigger(window, kCmdSave);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
  // The options, then the progress dialog; no message after the cancel.
  EXPECT_EQ(save.seen().size(), 2u) << save.Log().toStdString();
  EXPECT_TRUE(window.report().reports.empty());

  EXPECT_TRUE(test::ReadFile(leaf) == oldLeaf) << "the old leaf changed";
  EXPECT_EQ(FileNames(folder), std::vector<std::string>{"record.gpg"});
  // Only the attachment's own working copy.
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 1u);
  EXPECT_EQ(GpgChildren(), std::vector<std::string>());
  EXPECT_EQ(window.view().record().leafPath(), leaf);
  EXPECT_FALSE(window.view().flowRunning());
}

TEST(ProgressCancel, AnOpenStoppedFromTheProgressDialogKeepsTheRecordOnScreen) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("progress-open", test::Keys().aliceHome)));
  // A large leaf, saved to its end while its progress dialog is up.
  const std::string large = test::WorkFolder() + "/progress-large.gpg";
  window.FillForm("the large record", "", "", "");
  window.AttachFile(LargeSource("progress-open.bin"));
  window.SaveTo(large);
  ASSERT_EQ(window.view().record().leafPath(), large);
  ASSERT_GT(fs::file_size(large), kLargeBytes);

  // The record on screen: another leaf with a small attachment.
  std::optional<std::string> listing;
  window.view().detachFile(0, listing);
  const std::string small = test::WorkFolder() + "/progress-kept.txt";
  test::WriteFile(small, "kept");
  AttachFromPage(window, small);
  window.FillForm("the kept record", "its body", "item", "3");
  const std::string kept = test::WorkFolder() + "/progress-kept.gpg";
  window.SaveTo(kept);
  ASSERT_EQ(window.view().record().leafPath(), kept);
  ASSERT_TRUE(window.PageListsAttachments(1));
  const QStringList values = window.FormValues();
  const std::vector<std::string> tempFiles = test::AttachmentTempFiles(test::TmpFolder());
  ASSERT_EQ(tempFiles.size(), 1u);

  ModalScript open;
  open.FileDialog(QString::fromStdString(large)).CancelProgress();
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(open.done()) << open.Log().toStdString();
  // No signature question, no message: the open ended at the cancel.
  EXPECT_EQ(open.seen().size(), 2u) << open.Log().toStdString();
  EXPECT_TRUE(window.report().reports.empty());

  EXPECT_EQ(window.FormValues(), values);
  EXPECT_EQ(AttachmentNames(window.view()), std::vector<std::string>{"progress-kept.txt"});
  EXPECT_TRUE(window.PageListsAttachments(1));
  EXPECT_EQ(window.view().record().leafPath(), kept);
  // What the open had taken aside is gone; the record's own file stays.
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()), tempFiles);
  EXPECT_EQ(GpgChildren(), std::vector<std::string>());
  EXPECT_FALSE(window.view().flowRunning());
}

}  // namespace
}  // namespace ambrine
