// Saving and opening leaf files in the real window, with the real gpg1 and
// the real dialogs: a person makes a key, fills the form, attaches files,
// saves, quits, starts again and gets everything back. No plaintext of the
// page or of an attachment reaches the temporary folder on the way.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "dialogs/genkey_dialog.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/gpg_engine.h"
#include "gpg/key_list.h"

namespace ambrine {
namespace {

namespace fs = std::filesystem;
using test::FlowKeys;
using test::ModalScript;
using test::Window;

const std::string kPlainMarker = "PLAIN-ATTACHMENT-7f3c2a";
const std::string kFormMarker = "PLAIN-FORM-51d9e0";

struct Sources {
  std::string dir = test::WorkFolder() + "/sources";
  std::string first = dir + "/notes.txt";
  std::string second = dir + "/報告書.txt";
  std::string firstBytes = "first " + kPlainMarker + std::string("\0\x01\xff binary\r\n", 13);
  std::string secondBytes = "二つ目の添付 " + kPlainMarker + "\n";
  Sources() {
    fs::create_directories(dir);
    test::WriteFile(first, firstBytes);
    test::WriteFile(second, secondBytes);
  }
};

const Sources& SourceFiles() {
  static const Sources sources;
  return sources;
}

// Nothing of the page or of an attachment may be in the temporary folder.
void ExpectNoPlaintextInTmp() {
  EXPECT_TRUE(test::FilesHolding(test::TmpFolder(), kPlainMarker).empty());
  EXPECT_TRUE(test::FilesHolding(test::TmpFolder(), kFormMarker).empty());
}

void Trigger(Window& window, int command) { window.frame().action(command)->trigger(); }

void Attach(Window& window, const std::string& path) {
  ModalScript script;
  script.FileDialog(QString::fromStdString(path));
  // The page's own button, through window.external.attachFile.
  window.ClickPageElement(QStringLiteral("attach"));
  EXPECT_TRUE(test::SpinUntil([&] { return script.done(); })) << script.Log().toStdString();
}

std::string Extract(Window& window, int index, const std::string& name) {
  static int extracted = 0;
  const std::string out = test::WorkFolder() + "/extracted-" + std::to_string(++extracted) + "-" + name;
  ModalScript script;
  script.FileDialog(QString::fromStdString(out));
  window.view().extractFile(index);
  EXPECT_TRUE(script.done()) << script.Log().toStdString();
  return test::ReadFile(out);
}

std::vector<std::string> AttachmentNames(MainView& view) {
  std::vector<std::string> names;
  for (const AttachmentEntry& entry : view.record().attachments()) names.push_back(entry.name);
  return names;
}

const QStringList kValues = {QString::fromStdString("記録 " + kFormMarker), "本文の一行目\n二行目",
                             "交通費", "1200"};

void ExpectOpened(Window& window, const std::vector<std::string>& names) {
  EXPECT_EQ(window.FormValues(), kValues);
  EXPECT_EQ(AttachmentNames(window.view()), names);
  EXPECT_TRUE(window.PageListsAttachments(static_cast<int>(names.size())));
}

TEST(SaveAndOpen, MakeKeyFillAttachSaveQuitStartAgainAndGetEverythingBack) {
  const Sources& sources = SourceFiles();
  const std::string program = test::MakeProgramFolder("first-run", "");
  const std::string leaf = test::WorkFolder() + "/記録.gpg";
  std::string fingerprint;
  {
    Window window;
    ModalScript script;
    script.Then([](QWidget* w) { return qobject_cast<GenkeyDialog*>(w) != nullptr; },
                [](QWidget* w) {
                  auto* dialog = qobject_cast<GenkeyDialog*>(w);
                  dialog->nameEdit()->setText(QStringLiteral("Test Person"));
                  QObject::connect(dialog, &GenkeyDialog::generationFinished, dialog,
                                   [dialog] { dialog->okButton()->click(); },
                                   Qt::QueuedConnection);
                  dialog->okButton()->click();
                });
    ASSERT_TRUE(window.Start(program));
    ASSERT_TRUE(script.done()) << script.Log().toStdString();
    fingerprint = window.view().ownFingerprint();
    ASSERT_EQ(fingerprint.size(), 40u);

    window.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);
    Attach(window, sources.first);
    Attach(window, sources.second);
    EXPECT_TRUE(window.PageListsAttachments(2));
    EXPECT_EQ(AttachmentNames(window.view()), (std::vector<std::string>{"notes.txt", "報告書.txt"}));
    // Each attachment is held encrypted, owner-only.
    const auto temps = test::AttachmentTempFiles(test::TmpFolder());
    ASSERT_EQ(temps.size(), 2u);
    for (const std::string& temp : temps) {
      struct stat info {};
      ASSERT_EQ(::stat(temp.c_str(), &info), 0);
      EXPECT_EQ(info.st_mode & 0777, 0600u);
    }
    ExpectNoPlaintextInTmp();

    // Ctrl+S: the save options dialog, no other key chosen.
    ModalScript save;
    save.SaveOptions({}, QString::fromStdString(leaf));
    Trigger(window, kCmdSave);
    EXPECT_TRUE(save.done()) << save.Log().toStdString();
    EXPECT_TRUE(window.report().reports.empty());
    const std::string saved = test::ReadFile(leaf);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.find(kPlainMarker), std::string::npos);
    EXPECT_EQ(saved.find(kFormMarker), std::string::npos);
    // Only the leaf is left where it was written.
    for (const auto& entry : fs::directory_iterator(test::WorkFolder())) {
      EXPECT_NE(entry.path().filename().string().rfind(".記録.gpg.", 0), 0u) << entry.path();
    }
    ExpectNoPlaintextInTmp();
  }
  // Quitting deletes every temporary attachment file.
  EXPECT_TRUE(test::AttachmentTempFiles(test::TmpFolder()).empty());

  Window again;
  ASSERT_TRUE(again.Start(program));
  EXPECT_EQ(again.view().ownFingerprint(), fingerprint);
  EXPECT_NE(again.FormValues(), kValues);

  ModalScript open;
  open.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::Yes);
  Trigger(again, kCmdOpen);
  ASSERT_TRUE(open.done()) << open.Log().toStdString();
  ASSERT_EQ(open.seen().size(), 2u);
  EXPECT_EQ(open.seen()[1].title, QStringLiteral("Confirm"));
  EXPECT_EQ(open.seen()[1].text,
            QString::fromStdString("Test Person\n鍵指紋: " + FormatFingerprint(fingerprint) +
                                   "（自分の鍵）\n上記の電子署名が確認されました\n処理を続行しますか?"));
  EXPECT_EQ(again.view().record().leafPath(), leaf);
  ExpectOpened(again, {"notes.txt", "報告書.txt"});
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 2u);
  ExpectNoPlaintextInTmp();

  EXPECT_EQ(Extract(again, 0, "notes.txt"), sources.firstBytes);
  EXPECT_EQ(Extract(again, 1, "報告書.txt"), sources.secondBytes);
  EXPECT_TRUE(again.report().reports.empty());
  ExpectNoPlaintextInTmp();
}

TEST(SaveAndOpen, PassphraseLeafOpensWithItsPassphraseOnly) {
  const Sources& sources = SourceFiles();
  const std::string program = test::MakeProgramFolder("alice-sym", test::Keys().aliceHome);
  const std::string leaf = test::WorkFolder() + "/symmetric.gpg";
  Window window;
  ASSERT_TRUE(window.Start(program));
  window.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);
  Attach(window, sources.second);

  // From the page's own save button (saveLeaf with what the page handed over).
  ModalScript save;
  save.SaveOptionsSymmetric(QStringLiteral("葉の pass \"phrase\""), QString::fromStdString(leaf));
  window.ClickPageElement(QStringLiteral("save"));
  ASSERT_TRUE(test::SpinUntil([&] { return save.done(); })) << save.Log().toStdString()
                           << window.Js(QStringLiteral("document.getElementById('note').textContent")).toString().toStdString();
  ASSERT_FALSE(test::ReadFile(leaf).empty());

  // A wrong passphrase: gpg cannot decrypt; the record on screen stays whole.
  window.FillForm("changed", "", "", "");
  // The changed record brings the unsaved-changes question first.
  ModalScript wrong;
  wrong.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox("wrong")
      .MessageBox(QMessageBox::Ok);
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(wrong.done()) << wrong.Log().toStdString();
  EXPECT_EQ(wrong.seen()[2].title, QStringLiteral("パスフレーズの入力"));
  EXPECT_EQ(wrong.seen()[2].text, QStringLiteral("対称暗号を解くパスフレーズを入力してください。"));
  EXPECT_EQ(wrong.seen()[3].title, QStringLiteral("Error"));
  EXPECT_EQ(wrong.seen()[3].text, QStringLiteral("パスフレーズに誤りがあります"));
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("changed"));
  EXPECT_EQ(window.view().record().attachments().Count(), 1u);
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 1u);

  ModalScript right;
  right.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox(QStringLiteral("葉の pass \"phrase\""))
      .MessageBox(QMessageBox::Yes);
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(right.done()) << right.Log().toStdString();
  EXPECT_EQ(right.seen()[3].title, QStringLiteral("Confirm"));
  ExpectOpened(window, {"報告書.txt"});
  EXPECT_EQ(Extract(window, 0, "sym.txt"), sources.secondBytes);
  EXPECT_TRUE(window.report().reports.empty());
  ExpectNoPlaintextInTmp();
}

TEST(SaveAndOpen, TwoRecipientsEachOpenTheLeafAndAWrongKeyPassphraseStops) {
  const FlowKeys& keys = test::Keys();
  const std::string leaf = test::WorkFolder() + "/for-bob.gpg";
  {
    Window alice;
    ASSERT_TRUE(alice.Start(test::MakeProgramFolder("alice-two", keys.aliceHome)));
    alice.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);
    Attach(alice, SourceFiles().first);
    ModalScript save;
    save.SaveOptions({QString::fromStdString(keys.bob.userId)}, QString::fromStdString(leaf));
    Trigger(alice, kCmdSave);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
    EXPECT_TRUE(alice.report().reports.empty());
  }
  // Each secret key ring opens it on its own.
  for (const auto& [home, passphrase] :
       {std::pair{keys.aliceHome, ""}, std::pair{keys.bobHome, FlowKeys::kBobPassphrase}}) {
    GpgEngine engine(test::SettingsFor(home));
    const std::string out = test::WorkFolder() + "/message-of-" + fs::path(home).filename().string();
    ASSERT_EQ(engine.DecryptFile(leaf, out, false, passphrase).status, kOk) << home;
    EXPECT_NE(test::ReadFile(out).find("multipart/mixed"), std::string::npos);
    fs::remove(out);
  }

  Window bob;
  ASSERT_TRUE(bob.Start(test::MakeProgramFolder("bob", keys.bobHome)));
  Attach(bob, SourceFiles().second);
  bob.FillForm("bob's own", "", "", "");

  // A wrong key passphrase ends the open at once.
  ModalScript wrong;
  wrong.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox("not it")
      .MessageBox(QMessageBox::Ok);
  Trigger(bob, kCmdOpen);
  ASSERT_TRUE(wrong.done()) << wrong.Log().toStdString();
  EXPECT_EQ(wrong.seen()[2].text,
            QStringLiteral("秘密鍵のロックを解除するパスフレーズを入力してください。"));
  EXPECT_EQ(wrong.seen()[3].title, QStringLiteral("Error"));
  EXPECT_EQ(wrong.seen()[3].text, QStringLiteral("パスフレーズに誤りがあります"));
  ASSERT_EQ(bob.report().reports.size(), 1u);
  EXPECT_EQ(bob.report().reports[0].code, kCancelled);
  EXPECT_EQ(bob.report().reports[0], test::Reported(kCancelled, report::kBadPassphrase));
  EXPECT_EQ(bob.FormValues()[0], QStringLiteral("bob's own"));
  EXPECT_EQ(bob.view().record().attachments().Count(), 1u);
  EXPECT_EQ(bob.view().record().leafPath(), "");
  bob.report().reports.clear();

  ModalScript right;
  right.MessageBoxButton(QStringLiteral("保存しない"))
      .FileDialog(QString::fromStdString(leaf))
      .InputBox(FlowKeys::kBobPassphrase)
      .MessageBox(QMessageBox::Yes);
  Trigger(bob, kCmdOpen);
  ASSERT_TRUE(right.done()) << right.Log().toStdString();
  EXPECT_EQ(right.seen()[3].text,
            QString::fromStdString(keys.alice.userId + "\n鍵指紋: " +
                                   FormatFingerprint(keys.alice.fingerprint) +
                                   "\n上記の電子署名が確認されました\n処理を続行しますか?"));
  ExpectOpened(bob, {"notes.txt"});
  EXPECT_EQ(Extract(bob, 0, "notes.txt"), SourceFiles().firstBytes);
  EXPECT_TRUE(bob.report().reports.empty());

  // Bob saves back to Alice: gpg asks for his key's passphrase through the
  // input box; a wrong one is refused and asked again.
  const std::string reply = test::WorkFolder() + "/reply.gpg";
  ModalScript save;
  save.SaveOptions({QString::fromStdString(keys.alice.userId)}, QString::fromStdString(reply))
      .InputBox("wrong")
      .MessageBox(QMessageBox::Ok)
      .InputBox(FlowKeys::kBobPassphrase);
  Trigger(bob, kCmdSave);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
  EXPECT_EQ(save.seen()[1].title, QStringLiteral("Input Box"));
  EXPECT_EQ(save.seen()[1].text,
            QStringLiteral("秘密鍵のロックを解除するためのパスフレーズを入力してください。"));
  EXPECT_EQ(save.seen()[2].text, QStringLiteral("Bad Passphrase"));
  GpgEngine engine(test::SettingsFor(keys.aliceHome));
  ASSERT_EQ(engine.DecryptFile(reply, reply + ".out", false, "").status, kOk);

  // With a passphrase: gpg asks only for the key's passphrase; the one of
  // the message is the dialog's.
  const std::string sealed = test::WorkFolder() + "/sealed.gpg";
  ModalScript symmetric;
  symmetric.SaveOptionsSymmetric(QStringLiteral("封 pass"), QString::fromStdString(sealed))
      .InputBox(FlowKeys::kBobPassphrase);
  Trigger(bob, kCmdSave);
  ASSERT_TRUE(symmetric.done()) << symmetric.Log().toStdString();
  EXPECT_EQ(symmetric.seen().size(), 2u) << symmetric.Log().toStdString();
  ASSERT_EQ(engine.DecryptFile(sealed, sealed + ".out", false, "封 pass").status, kOk);
  EXPECT_TRUE(bob.report().reports.empty());
  ExpectNoPlaintextInTmp();
}

TEST(SaveAndOpen, LeafOfAnUnknownSignerAsksTheQuestion) {
  const FlowKeys& keys = test::Keys();
  const std::string leaf = test::WorkFolder() + "/from-mallory.gpg";
  {
    Window mallory;
    ASSERT_TRUE(mallory.Start(test::MakeProgramFolder("mallory", keys.malloryHome)));
    mallory.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);
    ModalScript save;
    save.SaveOptions({QString::fromStdString(keys.alice.userId)}, QString::fromStdString(leaf));
    Trigger(mallory, kCmdSave);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
  }
  Window alice;
  ASSERT_TRUE(alice.Start(test::MakeProgramFolder("alice-unknown", keys.aliceHome)));
  const QStringList before = alice.FormValues();

  ModalScript no;
  no.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::No);
  Trigger(alice, kCmdOpen);
  ASSERT_TRUE(no.done()) << no.Log().toStdString();
  EXPECT_EQ(no.seen()[1].title, QStringLiteral("Question"));
  // The signer's key id, as the last four groups of its fingerprint read.
  EXPECT_EQ(no.seen()[1].text,
            QString::fromStdString("鍵 ID: " + FormatFingerprint(keys.mallory.fingerprint.substr(24)) +
                                   "（公開鍵がありません）\n"
                                   "有効な電子署名が見つかりません。処理を続行しますか?"));
  EXPECT_EQ(alice.FormValues(), before);

  ModalScript yes;
  yes.FileDialog(QString::fromStdString(leaf)).MessageBox(QMessageBox::Yes);
  Trigger(alice, kCmdOpen);
  ASSERT_TRUE(yes.done()) << yes.Log().toStdString();
  ExpectOpened(alice, {});
  EXPECT_TRUE(alice.report().reports.empty());
}

// A key made with the user's own name signs a leaf: both confirmations
// show the same user id, but the fingerprints differ and only the user's
// own key is marked.
TEST(SaveAndOpen, ASignerWithTheUsersOwnNameIsToldApartByItsFingerprint) {
  const FlowKeys& keys = test::Keys();
  const std::string impostorHome = test::WorkFolder() + "/impostor-home";
  fs::create_directories(impostorHome);
  fs::permissions(impostorHome, fs::perms::owner_all);
  const test::TestKey impostor = test::MakeKey(impostorHome, keys.alice.userId);
  ASSERT_EQ(impostor.userId, keys.alice.userId);
  ASSERT_NE(impostor.fingerprint, keys.alice.fingerprint);

  const std::string forged = test::WorkFolder() + "/same-name.gpg";
  {
    Window window;
    ASSERT_TRUE(window.Start(test::MakeProgramFolder("impostor", impostorHome)));
    ModalScript save;
    save.SaveOptionsSymmetric(QStringLiteral("shared"), QString::fromStdString(forged));
    Trigger(window, kCmdSave);
    ASSERT_TRUE(save.done()) << save.Log().toStdString();
  }
  const std::string program = test::MakeProgramFolder("alice-same-name", keys.aliceHome);
  test::CopyPublicKey(impostorHome, program + "conf", impostor.fingerprint);
  const std::string own = test::WorkFolder() + "/own-name.gpg";
  Window alice;
  ASSERT_TRUE(alice.Start(program));
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(own));
  Trigger(alice, kCmdSave);
  ASSERT_TRUE(save.done()) << save.Log().toStdString();

  const std::string confirmed = "\n上記の電子署名が確認されました\n処理を続行しますか?";
  ModalScript openOwn;
  openOwn.FileDialog(QString::fromStdString(own)).MessageBox(QMessageBox::No);
  Trigger(alice, kCmdOpen);
  ASSERT_TRUE(openOwn.done()) << openOwn.Log().toStdString();
  EXPECT_EQ(openOwn.seen()[1].title, QStringLiteral("Confirm"));
  EXPECT_EQ(openOwn.seen()[1].text,
            QString::fromStdString(keys.alice.userId + "\n鍵指紋: " +
                                   FormatFingerprint(keys.alice.fingerprint) + "（自分の鍵）" +
                                   confirmed));

  ModalScript openForged;
  openForged.FileDialog(QString::fromStdString(forged))
      .InputBox(QStringLiteral("shared"))
      .MessageBox(QMessageBox::No);
  Trigger(alice, kCmdOpen);
  ASSERT_TRUE(openForged.done()) << openForged.Log().toStdString();
  EXPECT_EQ(openForged.seen()[2].title, QStringLiteral("Confirm"));
  EXPECT_EQ(openForged.seen()[2].text,
            QString::fromStdString(keys.alice.userId + "\n鍵指紋: " +
                                   FormatFingerprint(impostor.fingerprint) + confirmed));
  EXPECT_TRUE(alice.report().reports.empty());
}

TEST(SaveAndOpen, CancellingEachDialogChangesNothingMore) {
  const std::string program = test::MakeProgramFolder("alice-cancel", test::Keys().aliceHome);
  const std::string leaf = test::WorkFolder() + "/cancelled.gpg";
  Window window;
  ASSERT_TRUE(window.Start(program));
  window.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);

  // Save options cancelled: no file.
  ModalScript save;
  save.CancelSaveOptions();
  Trigger(window, kCmdSave);
  ASSERT_TRUE(save.done());
  EXPECT_FALSE(fs::exists(leaf));

  // Attach cancelled: the empty text, nothing added.
  ModalScript attach;
  attach.CancelFileDialog();
  std::optional<std::string> result;
  window.view().attachFile(result);
  ASSERT_TRUE(attach.done());
  EXPECT_EQ(result, std::optional<std::string>(""));
  Attach(window, SourceFiles().first);
  ASSERT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 1u);

  // Extract cancelled: nothing written.
  ModalScript extract;
  extract.CancelFileDialog();
  window.view().extractFile(0);
  ASSERT_TRUE(extract.done());

  // Open cancelled: attachments, path and page stay.
  const std::string pathBefore = window.view().record().leafPath();
  ModalScript open;
  open.MessageBoxButton(QStringLiteral("保存しない")).CancelFileDialog();
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(open.done());
  EXPECT_EQ(window.view().record().attachments().Count(), 1u);
  EXPECT_EQ(test::AttachmentTempFiles(test::TmpFolder()).size(), 1u);
  EXPECT_EQ(window.view().record().leafPath(), pathBefore);
  EXPECT_EQ(window.FormValues(), kValues);

  // A passphrase prompt cancelled: reported as cancelled, page unchanged.
  ModalScript saveSym;
  saveSym.SaveOptionsSymmetric("p", QString::fromStdString(leaf));
  Trigger(window, kCmdSave);
  ASSERT_TRUE(saveSym.done());
  window.FillForm("after save", "", "", "");
  ModalScript prompt;
  prompt.MessageBoxButton(QStringLiteral("保存しない")).FileDialog(QString::fromStdString(leaf)).CancelInputBox();
  Trigger(window, kCmdOpen);
  ASSERT_TRUE(prompt.done()) << prompt.Log().toStdString();
  ASSERT_EQ(window.report().reports.size(), 1u);
  EXPECT_EQ(window.report().reports[0].code, kCancelled);
  EXPECT_EQ(window.report().reports[0], test::Reported(kCancelled, report::kLeafPassphraseCancelled));
  EXPECT_EQ(window.view().record().leafPath(), leaf);
  EXPECT_EQ(window.FormValues()[0], QStringLiteral("after save"));
}

TEST(SaveAndOpen, FailedSaveKeepsThePreviousLeafWhole) {
  const std::string program = test::MakeProgramFolder("alice-fail", test::Keys().aliceHome);
  const std::string leaf = test::WorkFolder() + "/kept.gpg";
  Window window;
  ASSERT_TRUE(window.Start(program));
  window.FillForm(kValues[0], kValues[1], kValues[2], kValues[3]);
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(leaf));
  Trigger(window, kCmdSave);
  ASSERT_TRUE(save.done());
  const std::string first = test::ReadFile(leaf);
  ASSERT_FALSE(first.empty());

  // A gpg that ends before it begins encrypting (the stand-in lists no key
  // and asks nothing): the save fails and says so.
  const std::string scriptFile = test::WorkFolder() + "/standin-fails";
  test::WriteFile(scriptFile, "exit 0\n");
  ::setenv("AMB_STANDIN_SCRIPT", scriptFile.c_str(), 1);
  ::setenv("AMB_STANDIN_RECORD", (test::WorkFolder() + "/standin-fails-record").c_str(), 1);
  const std::string realGpg = window.view().settings().gpgPath;
  ModalScript failing;
  failing.SaveOptionsSymmetric("p", QString::fromStdString(leaf)).MessageBox(QMessageBox::Ok);
  window.view().settings().gpgPath = AMBRINE_STANDIN;
  Trigger(window, kCmdSave);
  window.view().settings().gpgPath = realGpg;
  ASSERT_TRUE(failing.done()) << failing.Log().toStdString();
  EXPECT_EQ(failing.seen()[1].title, QStringLiteral("Error"));
  EXPECT_EQ(failing.seen()[1].text, QStringLiteral("Encryption Failed."));
  EXPECT_EQ(test::ReadFile(leaf), first);
  for (const auto& entry : fs::directory_iterator(test::WorkFolder())) {
    EXPECT_NE(entry.path().filename().string().rfind(".kept.gpg.", 0), 0u) << entry.path();
  }
  EXPECT_TRUE(window.report().reports.empty());
}

}  // namespace
}  // namespace ambrine
