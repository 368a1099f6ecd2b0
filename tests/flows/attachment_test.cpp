// The attachment commands on the real window, and what the program does
// when gpg fails or asks what it cannot answer.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "leaf/attachment_store.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

std::string MakeSource(const std::string& name, const std::string& bytes) {
  const std::string dir = test::WorkFolder() + "/attach-sources";
  fs::create_directories(dir);
  test::WriteFile(dir + "/" + name, bytes);
  return dir + "/" + name;
}

std::optional<std::string> AttachThroughView(Window& window, const std::string& path) {
  ModalScript script;
  script.FileDialog(QString::fromStdString(path));
  std::optional<std::string> result;
  window.view().attachFile(result);
  EXPECT_TRUE(script.done()) << script.Log().toStdString();
  return result;
}

TEST(Attachments, ListDetachAndTheirTemporaryFiles) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("attach-list", test::Keys().aliceHome)));
  const std::string a = MakeSource("a.txt", "A");
  const std::string b = MakeSource("資料 b", "B");  // no dot: "all files" still offers it
  EXPECT_EQ(AttachThroughView(window, a), std::optional<std::string>("0\ta.txt\n"));
  EXPECT_EQ(AttachThroughView(window, b), std::optional<std::string>("0\ta.txt\n1\t資料 b\n"));
  EXPECT_EQ(AttachThroughView(window, a),
            std::optional<std::string>("0\ta.txt\n1\t資料 b\n2\ta.txt\n"));
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 3u);
  const std::string secondTemp = window.view().record().attachments().Find(1)->tempPath;

  std::optional<std::string> result;
  window.view().detachFile(1, result);
  EXPECT_EQ(result, std::optional<std::string>("0\ta.txt\n1\ta.txt\n"));
  EXPECT_FALSE(fs::exists(secondTemp));
  window.view().detachFile(7, result);
  EXPECT_EQ(result, std::optional<std::string>("0\ta.txt\n1\ta.txt\n"));
  window.view().listFile(result);
  EXPECT_EQ(result, std::optional<std::string>("0\ta.txt\n1\ta.txt\n"));

  // No dialog for an index no entry has.
  ModalScript none;
  window.view().extractFile(5);
  EXPECT_TRUE(none.seen().empty());
  EXPECT_TRUE(window.report().reports.empty());
}

TEST(Attachments, FailedEncryptionAddsNothingAndSaysSo) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("attach-fail", test::Keys().aliceHome)));
  const std::string source = MakeSource("kept-out.txt", "x");
  const std::string gpg = window.view().settings().gpgPath;
  window.view().settings().gpgPath = "/bin/false";  // a gpg that always fails

  ModalScript script;
  script.FileDialog(QString::fromStdString(source)).MessageBox(QMessageBox::Ok);
  std::optional<std::string> result;
  window.view().attachFile(result);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[1].title, QStringLiteral("Error"));
  EXPECT_TRUE(script.seen()[1].text.contains(QStringLiteral("kept-out.txt")));
  EXPECT_EQ(result, std::optional<std::string>(""));
  EXPECT_TRUE(window.view().record().attachments().Empty());
  EXPECT_TRUE(test::AttachmentTempFiles(test::TmpFolder()).empty());
  window.view().settings().gpgPath = gpg;
}

TEST(Attachments, FailedExtractionKeepsTheFileThatWasThere) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("extract-fail", test::Keys().aliceHome)));
  AttachThroughView(window, MakeSource("c.txt", "content of c"));
  // The temporary file no longer holds what gpg made of the attachment.
  test::WriteFile(window.view().record().attachments().Find(0)->tempPath, "damaged");
  const std::string out = test::WorkFolder() + "/extract-target.txt";
  test::WriteFile(out, "older file");

  ModalScript script;
  script.FileDialog(QString::fromStdString(out))
      .MessageBox(QMessageBox::Yes)  // replace the existing file
      .MessageBox(QMessageBox::Ok);
  window.view().extractFile(0);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[2].title, QStringLiteral("Error"));
  EXPECT_EQ(test::ReadFile(out), "older file");
  for (const auto& entry : fs::directory_iterator(test::WorkFolder())) {
    EXPECT_NE(entry.path().filename().string().rfind(".extract-target.txt.", 0), 0u);
  }
}

TEST(Attachments, ExtractionProposesOnlyTheBaseNameOfAStoredPath) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("extract-name", test::Keys().aliceHome)));
  AttachThroughView(window, MakeSource("pwned.txt", "from a hostile leaf"));
  // The name a hostile leaf would carry; the store keeps it as it came.
  const AttachmentEntry attached = *window.view().record().attachments().Find(0);
  const std::string copy = attached.tempPath + ".copy";
  fs::copy_file(attached.tempPath, copy);
  window.view().record().attachments().Append("../../../escape/pwned.txt", copy, attached.tempPassphrase);

  QString proposed;
  const std::string folder = test::WorkFolder() + "/extract-here";
  fs::create_directories(folder);
  ModalScript script;
  script.Then([](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; },
              [&](QWidget* w) {
                auto* dialog = qobject_cast<QFileDialog*>(w);
                dialog->setDirectory(QString::fromStdString(folder));
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                proposed = edit ? edit->text() : QString();
                // Enter: the proposed name in the folder the dialog shows.
                static_cast<QDialog*>(dialog)->accept();
              });
  const mode_t mask = ::umask(022);
  window.view().extractFile(1);
  ::umask(mask);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(proposed, QStringLiteral("pwned.txt"));
  EXPECT_EQ(test::ReadFile(folder + "/pwned.txt"), "from a hostile leaf");
  // The attachment's plaintext is the owner's alone, whatever the umask.
  struct stat extracted {};
  ASSERT_EQ(::stat((folder + "/pwned.txt").c_str(), &extracted), 0);
  EXPECT_EQ(extracted.st_mode & 0777, 0600u);
  EXPECT_FALSE(fs::exists(test::WorkFolder() + "/../escape"));
  EXPECT_EQ(window.view().record().attachments().Find(1)->name, "../../../escape/pwned.txt");
}

TEST(Attachments, DestroyingTheViewLeavesNoTemporaryFile) {
  {
    Window window;
    ASSERT_TRUE(window.Start(test::MakeProgramFolder("attach-destroy", test::Keys().aliceHome)));
    AttachThroughView(window, MakeSource("d.txt", "d"));
    AttachThroughView(window, MakeSource("e.txt", "e"));
    EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 2u);
  }
  EXPECT_TRUE(test::AttachmentTempFiles(test::TmpFolder()).empty());
}

TEST(OpenFlow, ALineQuestionInTheCheckingPassDoesNotHang) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("open-get-line", test::Keys().aliceHome)));
  const std::string leaf = MakeSource("asks.gpg", "not really a leaf");
  const std::string scriptFile = test::WorkFolder() + "/standin-script";
  // gpg asks for a line and then reads its command input to the end.
  test::WriteFile(scriptFile, "status GET_LINE some.question\ncommand-all\nexit 2\n");
  ::setenv("AMB_STANDIN_SCRIPT", scriptFile.c_str(), 1);
  ::setenv("AMB_STANDIN_RECORD", (test::WorkFolder() + "/standin-record").c_str(), 1);
  window.view().settings().gpgPath = AMBRINE_STANDIN;

  ModalScript script;
  script.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::Ok);
  window.frame().action(kCmdOpen)->trigger();
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[1].text, QStringLiteral("復号できません"));
}

}  // namespace
}  // namespace ambrine
