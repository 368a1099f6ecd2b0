// No record is lost by an ordinary mistake, in the real window with the
// real gpg1: an open that ends early keeps the record on screen, a changed
// record is not thrown away without a question, and no flow starts inside
// another.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "leaf/attachment_sink.h"
#include "leaf/leaf_file.h"
#include "support/generated_leaf.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;
using test::Window;

const QString kDiscard = QStringLiteral("保存しない");
const QString kSave = QStringLiteral("保存");
const QString kCancel = QStringLiteral("キャンセル");

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

std::string Source(const std::string& name, const std::string& bytes) {
  const std::string path = test::WorkFolder() + "/safety-" + name;
  test::WriteFile(path, bytes);
  return path;
}

// What a leaf holds, read back through the leaf core.
struct ReadBack : FormPage, AttachmentSink, OpenQuestions {
  Result SaveDocument(std::string&) override { return kFailure; }
  Result CallSaveForm(std::string&, bool&) override { return kFailure; }
  Result LoadDocument(const std::string&) override { return kOk; }
  Result CallRestoreForm(const std::string& text) override {
    form = text;
    return kOk;
  }
  Result Begin(const std::string& name) override {
    names.push_back(name);
    return kOk;
  }
  void Write(const char*, std::size_t) override {}
  Result End() override { return kOk; }
  bool AskPassphrase(bool, std::string& answer) override {
    answer = passphrase;
    return true;
  }
  void ShowBadPassphrase() override {}

  std::string form;
  std::vector<std::string> names;
  std::string passphrase;
};

ReadBack ReadLeaf(const GpgSettings& settings, const std::string& leaf) {
  ReadBack back;
  test::RecordingReport report;
  OpenCheckResult checked;
  Result readResult = kFailure;
  EXPECT_EQ(LeafFile(settings, report).ReadInOnePass(leaf, back, back, back, checked, readResult),
            kOk);
  EXPECT_TRUE(checked.decrypted);
  EXPECT_EQ(readResult, kOk);
  return back;
}

// A leaf made by the core, to open in the window.
void MakeLeaf(const GpgSettings& settings, const std::string& leaf, bool publicKey,
              const std::string& passphrase) {
  struct Page : FormPage {
    Result SaveDocument(std::string& bytes) override {
      bytes = "<html><body>other</body></html>";
      return kOk;
    }
    Result CallSaveForm(std::string& text, bool& isString) override {
      text = "other record";
      isString = true;
      return kOk;
    }
    Result LoadDocument(const std::string&) override { return kOk; }
    Result CallRestoreForm(const std::string&) override { return kOk; }
  } page;
  struct : SaveQuestions {
    std::string AskLine(const std::string&, bool) override { return ""; }
    bool AskYesNo(const std::string&) override { return true; }
    void ShowBadPassphrase() override {}
  } questions;
  SaveRequest request;
  request.publicKeyMode = publicKey;
  request.recipients = SaveRecipients({}, test::Keys().alice.fingerprint);
  request.passphrase = passphrase;
  request.outputPath = leaf;
  AttachmentStore none;
  test::RecordingReport report;
  ASSERT_EQ(LeafFile(settings, report).Save(request, page, none, questions), SaveOutcome::Saved);
}

TEST(RecordSafety, EveryEarlyEndingOfAnOpenKeepsTheRecordAndTheNextSaveWritesItWhole) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("safety-open", test::Keys().aliceHome)));
  const GpgSettings settings = window.view().settings();
  const std::string leaf = test::WorkFolder() + "/safety-record.gpg";
  window.FillForm("diary entry", "the body", "item", "7");
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) window.AttachFile(Source(name, name));
  window.SaveTo(leaf);
  ASSERT_EQ(window.view().record().leafPath(), leaf);
  EXPECT_EQ(window.frame().findChild<QLabel*>(QStringLiteral("leafName"))->text(),
            QStringLiteral("safety-record.gpg"));

  const std::string symmetric = test::WorkFolder() + "/safety-other-sym.gpg";
  const std::string other = test::WorkFolder() + "/safety-other.gpg";
  MakeLeaf(settings, symmetric, false, "other pass");
  MakeLeaf(settings, other, true, "");
  const std::string notLeaf = Source("not-a-leaf.gpg", "just text, no OpenPGP at all\n");
  // Form values one byte over 64 MiB after a page that is fine: the record
  // stays although the page itself could have been shown.
  const std::string bomb = test::WorkFolder() + "/safety-bomb.gpg";
  test::MakeGeneratedLeaf(settings, test::Keys().alice.fingerprint, 10, (64u << 20) + 1, bomb);

  const QString sym = QString::fromStdString(symmetric);
  struct Ending {
    const char* what;
    std::function<void(ModalScript&)> script;
  };
  const std::vector<Ending> endings = {
      {"file dialog cancelled", [](ModalScript& s) { s.CancelFileDialog(); }},
      {"passphrase cancelled", [&](ModalScript& s) { s.FileDialog(sym).CancelInputBox(); }},
      {"wrong passphrase",
       [&](ModalScript& s) { s.FileDialog(sym).InputBox("wrong").MessageBox(QMessageBox::Ok); }},
      {"not decryptable",
       [&](ModalScript& s) {
         s.FileDialog(QString::fromStdString(notLeaf)).MessageBox(QMessageBox::Ok);
       }},
      {"the user says No",
       [&](ModalScript& s) {
         s.FileDialog(QString::fromStdString(other)).MessageBox(QMessageBox::No);
       }},
      // Unsigned: the question whether to go on without a signature, then
      // the form values are refused as too large.
      {"form values too large",
       [&](ModalScript& s) {
         s.FileDialog(QString::fromStdString(bomb)).MessageBox(QMessageBox::Yes);
       }},
  };
  for (const Ending& ending : endings) {
    ModalScript script;
    ending.script(script);
    Trigger(window, kCmdOpen);
    ASSERT_TRUE(script.done()) << ending.what << ": " << script.Log().toStdString();
    EXPECT_EQ(window.view().record().attachments().Count(), 3u) << ending.what;
    EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 3u) << ending.what;
    EXPECT_EQ(window.view().record().leafPath(), leaf) << ending.what;
    EXPECT_EQ(window.FormValues()[0], QStringLiteral("diary entry")) << ending.what;
  }
  const auto points = window.report().Points();
  EXPECT_NE(std::find(points.begin(), points.end(), &report::kFormTooLarge), points.end());

  // Ctrl+S, Enter: the proposed file is the record's own, and it is whole.
  window.SaveTo("");
  const ReadBack back = ReadLeaf(settings, leaf);
  EXPECT_EQ(back.names,
            (std::vector<std::string>{"safety-a.txt", "safety-b.txt", "safety-c.txt"}));
  EXPECT_NE(back.form.find("diary entry"), std::string::npos);
}

TEST(RecordSafety, ExitNewAndOpenAskBeforeAChangedRecordIsThrownAway) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("safety-ask", test::Keys().aliceHome)));
  const std::string leaf = test::WorkFolder() + "/safety-asked.gpg";

  // Untouched: nothing to ask; an attachment alone is a change.
  {
    ModalScript script;
    script.CancelFileDialog();
    Trigger(window, kCmdOpen);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_EQ(script.seen().size(), 1u);
  }
  window.AttachFile(Source("only.txt", "only"));
  {
    ModalScript script;
    script.MessageBoxButton(kCancel);
    Trigger(window, kCmdNew);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_EQ(script.seen()[0].text, QStringLiteral("フォームの内容が変更されています。保存しますか?"));
    EXPECT_EQ(window.view().record().attachments().Count(), 1u);
  }

  // キャンセル keeps the window; 保存 whose save is cancelled keeps it too.
  window.FillForm("changed", "", "", "");
  {
    ModalScript script;
    script.MessageBoxButton(kCancel);
    EXPECT_FALSE(window.frame().close());
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
  }
  {
    ModalScript script;
    script.MessageBoxButton(kSave).CancelSaveOptions();
    Trigger(window, kCmdOpen);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_EQ(script.seen().size(), 2u);  // no file dialog: the open did not go on
    EXPECT_FALSE(fs::exists(leaf));
  }

  // 保存 saves, then the command goes on; the saved record is unchanged.
  {
    ModalScript script;
    script.MessageBoxButton(kSave).SaveOptions({}, QString::fromStdString(leaf)).CancelFileDialog();
    Trigger(window, kCmdNew);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_TRUE(fs::exists(leaf));
    EXPECT_EQ(window.view().record().leafPath(), leaf);
  }
  {
    ModalScript script;
    script.CancelFileDialog();
    Trigger(window, kCmdOpen);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_EQ(script.seen().size(), 1u);
  }

  // 保存しない lets Exit close the window and leaves the saved leaf as it was.
  window.FillForm("changed again", "", "", "");
  const std::string saved = test::ReadFile(leaf);
  {
    ModalScript script;
    script.MessageBoxButton(kDiscard);
    Trigger(window, kCmdExit);
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    EXPECT_FALSE(window.frame().isVisible());
  }
  EXPECT_EQ(test::ReadFile(leaf), saved);
}

TEST(RecordSafety, AfterSaveAsTheNextSaveGoesToTheNewFile) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("safety-save-as", test::Keys().aliceHome)));
  const GpgSettings settings = window.view().settings();
  const std::string first = test::WorkFolder() + "/safety-first.gpg";
  const std::string second = test::WorkFolder() + "/safety-second.gpg";
  window.FillForm("old record", "", "", "");
  window.SaveTo(first);
  const std::string firstBytes = test::ReadFile(first);
  window.FillForm("new record", "", "", "");
  window.SaveTo(second);
  EXPECT_EQ(window.frame().findChild<QLabel*>(QStringLiteral("leafName"))->text(),
            QStringLiteral("safety-second.gpg"));

  // Ctrl+S, Enter: the proposed file is the one saved last.
  window.FillForm("newer record", "", "", "");
  window.SaveTo("");
  EXPECT_EQ(test::ReadFile(first), firstBytes);
  EXPECT_NE(ReadLeaf(settings, second).form.find("newer record"), std::string::npos);
}

TEST(RecordSafety, NoCommandOrPageCallStartsAFlowWhileAnOpenRuns) {
  Window window;
  ASSERT_TRUE(window.Start(test::MakeProgramFolder("safety-busy", test::Keys().aliceHome)));
  const std::string leaf = test::WorkFolder() + "/safety-busy.gpg";
  window.FillForm("busy", "", "", "");
  window.AttachFile(Source("busy.txt", "busy"));
  window.SaveTo(leaf);
  const std::string saved = test::ReadFile(leaf);

  // While the open waits for the user's confirmation (its event loop turns),
  // Save, New and a page call are refused; the open then goes on alone.
  ModalScript script;
  script.FileDialog(QString::fromStdString(leaf))
      .Then([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; },
            [&](QWidget* w) {
              Trigger(window, kCmdSave);
              Trigger(window, kCmdNew);
              std::optional<std::string> result;
              EXPECT_TRUE(window.view().RunExclusive([] {}) == false);
              EXPECT_EQ(window.view().HandlePageCall("attachFile", {}, nullptr, result), kOk);
              EXPECT_FALSE(result.has_value());
              // Listing starts nothing and still answers.
              EXPECT_EQ(window.view().HandlePageCall("listFile", {}, nullptr, result), kOk);
              EXPECT_EQ(result, std::optional<std::string>("0\tsafety-busy.txt\n"));
              qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click();
            });
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
  EXPECT_EQ(script.seen().size(), 2u);
  EXPECT_EQ(test::ReadFile(leaf), saved);
  EXPECT_EQ(window.view().record().attachments().Count(), 1u);
  EXPECT_TRUE(window.PageListsAttachments(1));
}

}  // namespace
}  // namespace ambrine
