// A page that stops answering, or whose process dies, in the real window
// with the real gpg1: what the window waited for ends within the wait
// limit, nothing is written, the user is told, and the form comes back
// usable.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QAction>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QWebEnginePage>
#include <filesystem>
#include <fstream>

#include "app/web/form_view.h"
#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/report_point.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

constexpr auto kLimit = std::chrono::seconds(2);

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

// A window on its own program folder, with the short wait limit.
void Start(Window& window, const char* name) {
  ASSERT_TRUE(window.Start(test::MakeProgramFolder(name, test::Keys().aliceHome)));
  window.view().formView().setWaitLimit(kLimit);
}

// A folder that holds nothing but what the test saves there.
std::string OutputFolder(const char* name) {
  const std::string folder = test::WorkFolder() + "/" + name;
  fs::create_directories(folder);
  return folder;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

// Child processes of this one whose name starts with "gpg", ended or not.
int GpgChildren() {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos) continue;
    const std::string name = line.substr(open + 1, close - open - 1);
    const long parent = std::atol(line.c_str() + close + 4);  // ") S PPID"
    if (parent == ::getpid() && name.rfind("gpg", 0) == 0) ++count;
  }
  return count;
}

// Opens a leaf signed by the window's own key, answering the signature
// question with Yes.
void Open(Window& window, const std::string& leaf) {
  ModalScript open;
  open.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::Yes);
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(open.done()) << open.Log().toStdString();
}

TEST(PageLoss, ALoopingSaveFormEndsTheSaveWithinTheLimitAndKeepsTheOldLeaf) {
  Window window;
  Start(window, "loss-save");
  const std::string folder = OutputFolder("loss-save-out");
  const std::string leaf = folder + "/record.gpg";
  window.FillForm("kept record", "kept body", "", "");
  window.SaveTo(leaf);
  const std::string old = test::ReadFile(leaf);
  window.FillForm("typed since", "", "", "");
  window.Js(QStringLiteral("window.saveForm = function () { for (;;) {} }; true"));

  ModalScript script;
  script.SaveOptions({}, QString()).MessageBox(QMessageBox::Ok);
  QElapsedTimer clock;
  clock.start();
  Trigger(window, kCmdSave);
  EXPECT_LT(clock.elapsed(), 20000);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[1].text,
            QStringLiteral("ページのスクリプトが応答しないため、ページを停止しました。\n"
                           "ファイルは保存されていません。\n"
                           "フォームを読み込み直しました。保存していない入力は失われています。"));
  EXPECT_EQ(test::ReadFile(leaf), old);
  EXPECT_EQ(Names(folder), std::vector<std::string>{"record.gpg"});
  EXPECT_EQ(GpgChildren(), 0);
  EXPECT_TRUE(window.report().reports.empty());

  // The record comes back as it was saved, and saving works again.
  EXPECT_EQ(window.FormValues().mid(0, 2), (QStringList{"kept record", "kept body"}));
  EXPECT_EQ(window.view().record().leafPath(), leaf);
  window.FillForm("saved after", "", "", "");
  window.SaveTo("");
  EXPECT_NE(test::ReadFile(leaf), old);
  Open(window, leaf);
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("saved after"));
}

TEST(PageLimits, ASaveFormTextOverTheLimitSavesNothingAndSaysWhy) {
  Window window;
  Start(window, "limit-save");
  const std::string folder = OutputFolder("limit-save-out");
  const std::string leaf = folder + "/record.gpg";
  window.FillForm("kept record", "", "", "");
  window.SaveTo(leaf);
  const std::string old = test::ReadFile(leaf);
  window.Js(QStringLiteral("window.saveForm = function () { return 'a'.repeat(64 * 1048576 + 1); };"
                           "true"));

  window.SaveTo("");
  ASSERT_EQ(window.report().reports.size(), 1u);
  EXPECT_EQ(window.report().reports[0], test::Reported(kInvalidData, report::kSaveFormFailed));
  EXPECT_EQ(test::ReadFile(leaf), old);
  EXPECT_EQ(Names(folder), std::vector<std::string>{"record.gpg"});
  EXPECT_EQ(GpgChildren(), 0);
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("kept record"));
}

TEST(PageLoss, ALoopingRestoreFormEndsTheOpenWithANewFormAndNoLeafCurrent) {
  Window window;
  Start(window, "loss-open");
  // A form whose restoreForm never returns, saved as a leaf in the window.
  const std::string form = test::WorkFolder() + "/loss-open-form.html";
  test::WriteFile(form,
                  "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>"
                  "function saveForm() { return 'values'; }"
                  "function restoreForm(text) { for (;;) {} }"
                  "</script></head><body>stuck</body></html>");
  {
    ModalScript script;
    script.FileDialog(QString::fromStdString(form));
    Trigger(window, kCmdNew);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
  }
  const std::string leaf = OutputFolder("loss-open-out") + "/stuck.gpg";
  window.SaveTo(leaf);
  const std::string saved = test::ReadFile(leaf);
  std::optional<std::string> listing;
  test::WriteFile(test::WorkFolder() + "/loss-open-a.txt", "a");
  {
    ModalScript script;
    script.FileDialog(QString::fromStdString(test::WorkFolder() + "/loss-open-a.txt"));
    window.view().attachFile(listing);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
  }
  ASSERT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 1u);

  ModalScript script;
  script.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .MessageBox(QMessageBox::Yes)
      .MessageBox(QMessageBox::Ok);
  QElapsedTimer clock;
  clock.start();
  Trigger(window, kCmdOpen);
  EXPECT_LT(clock.elapsed(), 20000);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[3].text,
            QStringLiteral("ページのスクリプトが応答しないため、ページを停止しました。\n"
                           "新しいフォームを表示しました。"));
  EXPECT_TRUE(window.report().reports.empty());
  EXPECT_EQ(test::ReadFile(leaf), saved);
  EXPECT_EQ(window.view().record().leafPath(), "");
  EXPECT_EQ(window.view().record().attachments().Count(), 0u);
  EXPECT_TRUE(test::AttachmentTempFiles(test::TmpFolder()).empty());
  EXPECT_EQ(GpgChildren(), 0);
  // The preset form answers.
  window.FillForm("fresh", "", "", "");
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("fresh"));
}

TEST(PageLoss, AfterTheRendererDiesTheRecordIsShownAgainAndSaves) {
  Window window;
  Start(window, "loss-crash");
  const std::string leaf = OutputFolder("loss-crash-out") + "/record.gpg";
  window.FillForm("before crash", "", "", "");
  window.SaveTo(leaf);
  std::optional<std::string> listing;
  test::WriteFile(test::WorkFolder() + "/loss-crash-a.txt", "a");
  {
    ModalScript script;
    script.FileDialog(QString::fromStdString(test::WorkFolder() + "/loss-crash-a.txt"));
    window.view().attachFile(listing);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
  }
  window.FillForm("typed, then lost", "", "", "");

  ModalScript script;
  script.MessageBox(QMessageBox::Ok);
  const qint64 renderer = window.view().formView().page()->renderProcessPid();
  ASSERT_GT(renderer, 0);
  ASSERT_EQ(::kill(static_cast<pid_t>(renderer), SIGKILL), 0);
  ASSERT_TRUE(test::SpinUntil([&] { return script.done(); })) << script.Log().toStdString();
  EXPECT_EQ(script.seen()[0].text,
            QStringLiteral("ページの表示が異常終了しました。\n"
                           "フォームを読み込み直しました。保存していない入力は失われています。"));

  // The record as saved, with the attachment added since, still current.
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("before crash"));
  EXPECT_TRUE(window.PageListsAttachments(1));
  EXPECT_EQ(window.view().record().leafPath(), leaf);
  window.SaveTo("");
  EXPECT_TRUE(window.report().reports.empty());
  Open(window, leaf);
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("before crash"));
  EXPECT_EQ(window.view().record().attachments().Count(), 1u);
}

}  // namespace
}  // namespace ambrine
