// Start-up: folder rules, key rings, first run, own key and title, and the
// preset form, on throwaway program folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <algorithm>
#include <filesystem>

#include "app/window/command_rules.h"
#include "app/web/form_view.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/folders.h"
#include "gpg/gpg_settings.h"
#include "gpg/own_key.h"
#include "gpg/gpg_engine.h"
#include "base/error_report.h"
#include "shared_key.h"
#include "support/qt_modal.h"

namespace ambrine::test {
namespace {

namespace fs = std::filesystem;

struct RecordingReport : ErrorReport {
  void Report(Result code, const char* source, int line) override {
    reports.push_back(std::string(source) + " " + std::to_string(line) + " " + std::to_string(code));
  }
  std::vector<std::string> reports;
};

// A program folder: bin/gpg, optionally a conf folder with the shared key.
class ProgramFolder {
 public:
  explicit ProgramFolder(bool withKey) {
    fs::create_directories(Folder() + "bin");
    fs::create_symlink(AMBRINE_GPG1, Folder() + "bin/gpg");
    if (withKey) {
      fs::create_directory(Folder() + "conf");
      for (const char* ring : {"secring.gpg", "pubring.gpg"})
        fs::copy_file(SharedKey().dir.File(ring), Folder() + "conf/" + ring);
    }
  }
  std::string Folder() const { return dir_.path() + "/"; }
  void AddForm(const std::string& html) {
    fs::create_directories(Folder() + "preset");
    WriteFile(Folder() + "preset/index.html", html);
  }
  // The current folder has no bin/gpg, so gpg is found beside the program.
  StartupEnvironment Env() const { return {"", dir_.path() + "/home", dir_.path() + "/home"}; }

 private:
  TempDir dir_;
};

// Answers a file dialog with `path`, typed into its name field as a user
// would; any other dialog is cancelled so the test cannot hang.
void ChooseFile(QWidget* w, const QString& path, bool allFiles) {
  auto* dialog = qobject_cast<QFileDialog*>(w);
  auto* edit = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (!dialog || !edit) {
    ADD_FAILURE() << "not a file dialog: " << w->metaObject()->className();
    QMetaObject::invokeMethod(w, "reject");
    return;
  }
  if (allFiles) dialog->selectNameFilter(dialog->nameFilters().last());
  edit->setText(path);
  EXPECT_EQ(QStringList{path}, dialog->selectedFiles());
  QMetaObject::invokeMethod(dialog, dialog->selectedFiles() == QStringList{path} ? "accept" : "reject");
}

TEST(StartupFolders, InstallMarkerChoosesThePerUserConfFolder) {
  TempDir program;
  const std::string folder = program.path() + "/";
  std::string conf;
  bool perUser = true;
  ASSERT_EQ(kOk, ConfFolderFor(folder, {"/data/xdg", "/home/u", "/"}, conf, perUser));
  EXPECT_EQ(folder + "conf", conf);
  EXPECT_FALSE(perUser);

  WriteFile(folder + "INSTALL", "");
  ASSERT_EQ(kOk, ConfFolderFor(folder, {"/data/xdg/", "/home/u", "/"}, conf, perUser));
  EXPECT_EQ("/data/xdg/Ambrine/conf", conf);
  EXPECT_TRUE(perUser);
  // A relative $XDG_DATA_HOME does not count.
  ASSERT_EQ(kOk, ConfFolderFor(folder, {"rel", "/home/u", "/"}, conf, perUser));
  EXPECT_EQ("/home/u/.local/share/Ambrine/conf", conf);
  EXPECT_EQ(kFailure, ConfFolderFor(folder, {"", "", "/"}, conf, perUser));

  // A folder named INSTALL is a marker too.
  fs::remove(folder + "INSTALL");
  fs::create_directory(folder + "INSTALL");
  ASSERT_EQ(kOk, ConfFolderFor(folder, {"", "/home/u", "/"}, conf, perUser));
  EXPECT_TRUE(perUser);
}

TEST(StartupFolders, ConfFolderIsCreatedOwnerOnly) {
  TempDir dir;
  const std::string beside = dir.File("conf");
  ASSERT_EQ(kOk, PrepareConfFolder(beside, false));
  struct stat st {};
  ASSERT_EQ(0, ::stat(beside.c_str(), &st));
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  EXPECT_EQ(kOk, PrepareConfFolder(beside, false));  // an existing folder is fine

  // Beside the program only the last folder is made; per user the parents too.
  EXPECT_TRUE(Failed(PrepareConfFolder(dir.File("missing/conf"), false)));
  ASSERT_EQ(kOk, PrepareConfFolder(dir.File("share/Ambrine/conf"), true));
  EXPECT_TRUE(fs::is_directory(dir.File("share/Ambrine/conf")));
}

TEST(StartupFolders, PresetKeyringsFollowPubringInNameOrderWithFullPaths) {
  TempDir program;
  const std::string folder = program.path() + "/";
  fs::create_directories(folder + "preset");
  const std::string ring = ReadFile(SharedKey().dir.File("pubring.gpg"));
  ASSERT_FALSE(ring.empty());
  // Only *.gpg files that are key rings count: the others are left out
  // whatever they hold.
  for (const char* name : {"b.gpg", "a.gpg", "notes.txt", "index.html"})
    WriteFile(folder + "preset/" + name, ring);
  WriteFile(folder + "preset/empty.gpg", "");
  WriteFile(folder + "preset/index.gpg", "\x85\x02\x0e\x03 not a key ring");
  GpgSettings settings = BaseSettings("bin/gpg", "/conf");
  AddPresetKeyrings(folder, settings);
  const std::string a = folder + "preset/a.gpg";
  const std::string b = folder + "preset/b.gpg";
  EXPECT_EQ((std::vector<std::string>{"/conf/pubring.gpg", a, b}), settings.publicKeyrings);
  EXPECT_EQ((std::vector<std::string>{"/conf/secring.gpg"}), settings.secretKeyrings);

  // Every gpg command line names the three public rings, then the secret one.
  const std::vector<std::string> argv =
      GpgEngine(settings).BuildArgv({"--list-keys"}, false, false, false);
  std::vector<std::string> rings;
  std::copy_if(argv.begin(), argv.end(), std::back_inserter(rings),
               [](const std::string& a) { return a.find("keyring=") != std::string::npos; });
  EXPECT_EQ((std::vector<std::string>{"--keyring=/conf/pubring.gpg", "--keyring=" + a,
                                      "--keyring=" + b, "--secret-keyring=/conf/secring.gpg"}),
            rings);

  GpgSettings without = BaseSettings("bin/gpg", "/conf");
  AddPresetKeyrings(program.File("nowhere/"), without);
  EXPECT_EQ(1u, without.publicKeyrings.size());
}

TEST(StartupFolders, KeyPairNeededWhenSecretRingIsMissingOrEmpty) {
  TempDir conf;
  const GpgSettings settings = BaseSettings("bin/gpg", conf.path());
  EXPECT_TRUE(NeedsKeyPair(settings));
  WriteFile(conf.File("secring.gpg"), "");
  EXPECT_TRUE(NeedsKeyPair(settings));
  WriteFile(conf.File("secring.gpg"), "x");
  EXPECT_FALSE(NeedsKeyPair(settings));
}

TEST(StartupFolders, GpgIsLookedUpInTheCurrentFolderFirstExceptByAnInstalledCopy) {
  TempDir current;
  EXPECT_EQ("/opt/amb/bin/gpg", GpgPathFor("/opt/amb/", {"", "", current.path()}));
  fs::create_directories(current.File("bin"));
  fs::create_symlink(AMBRINE_GPG1, current.File("bin/gpg"));
  EXPECT_EQ("bin/gpg", GpgPathFor("/opt/amb/", {"", "", current.path()}));
  // An installed copy runs its own gpg wherever it is started.
  TempDir installed;
  WriteFile(installed.File("INSTALL"), "");
  EXPECT_EQ(installed.path() + "/bin/gpg", GpgPathFor(installed.path() + "/", {"", "", current.path()}));
}

TEST(StartupView, TitleFingerprintAndPresetFormComeFromTheOwnKey) {
  ProgramFolder program(true);
  program.AddForm("<!DOCTYPE html><html><head><title>既定のフォーム</title>"
                  "<script>function formTitle() { return document.title; }</script>"
                  "</head><body></body></html>");
  MainFrame frame;
  ASSERT_TRUE(frame.Start(program.Folder(), program.Env()));
  const SharedKeyHome& shared = SharedKey();
  EXPECT_EQ(QString::fromStdString("Ambrine - " + shared.key.userId), frame.windowTitle());
  EXPECT_EQ(shared.key.fingerprint, frame.view()->ownFingerprint());
  EXPECT_EQ(40u, frame.view()->ownFingerprint().size());
  EXPECT_EQ("既定のフォーム", frame.view()->formView().CallPageFunction("formTitle", {}).text);
  EXPECT_EQ(program.Folder() + "bin/gpg", frame.view()->settings().gpgPath);
  EXPECT_EQ(program.Folder() + "conf", frame.view()->settings().homeFolder);
  EXPECT_TRUE(frame.view()->record().leafPath().empty());
}

TEST(StartupView, WithoutAListedKeyStartUpAsksForOneAndCancelEndsIt) {
  // Every save signs with the own key: a ring gpg lists no secret key from
  // is no reason to start without one.
  ProgramFolder program(false);
  fs::create_directory(program.Folder() + "conf");
  WriteFile(program.Folder() + "conf/secring.gpg", "not a key ring");
  QString title;
  WhenModal([&](QWidget* dialog) {
    title = dialog->windowTitle();
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  MainFrame frame;
  EXPECT_FALSE(frame.Start(program.Folder(), program.Env()));
  EXPECT_EQ(QStringLiteral("Ambrine 鍵の作成"), title);
  EXPECT_EQ(QStringLiteral("Ambrine"), frame.windowTitle());
  EXPECT_TRUE(frame.view()->ownFingerprint().empty());
}

TEST(StartupView, EmptySecretRingAsksForAKeyAndCancelEndsStartUp) {
  ProgramFolder program(false);
  WriteFile(program.Folder() + "INSTALL", "");
  StartupEnvironment env = program.Env();
  env.xdgDataHome = program.Folder() + "xdg";
  const std::string conf = env.xdgDataHome + "/Ambrine/conf";
  fs::create_directories(conf);
  WriteFile(conf + "/secring.gpg", "");

  QString title;
  WhenModal([&](QWidget* dialog) {
    title = dialog->windowTitle();
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  MainFrame frame;
  EXPECT_FALSE(frame.Start(program.Folder(), env));
  EXPECT_EQ(QStringLiteral("Ambrine 鍵の作成"), title);
  EXPECT_FALSE(frame.isVisible());
}

TEST(StartupView, LoadFormFileReadsLargeFilesAndReportsMissingOnes) {
  ProgramFolder program(true);
  MainFrame frame;
  ASSERT_TRUE(frame.Start(program.Folder(), program.Env()));
  RecordingReport report;
  frame.view()->setErrorReport(report);

  std::string html = "<!DOCTYPE html><html><body>";
  while (html.size() < 2500 * 1024) html += "<p>フォームの行 abcdefghijklmnopqrstuvwxyz</p>\n";
  html += "<script>function last() { return document.body.lastElementChild.textContent; }"
          "</script><b>最後</b></body></html>";
  const std::string path = program.Folder() + "big.html";
  WriteFile(path, html);
  ASSERT_EQ(kOk, frame.view()->LoadFormFile(path));
  EXPECT_EQ("最後", frame.view()->formView().CallPageFunction("last", {}).text);

  EXPECT_TRUE(Failed(frame.view()->LoadFormFile(program.Folder() + "missing.html")));
  ASSERT_EQ(1u, report.reports.size());
  EXPECT_EQ(0u, report.reports[0].rfind("mainview 310 ", 0));
}

TEST(StartupView, NewFormSetsTheLeafPathFromTheChosenFile) {
  ProgramFolder program(true);
  for (const char* name : {"diary.html", "plain"})
    WriteFile(program.Folder() + name, std::string("<html><body>") + name + "</body></html>");
  MainFrame frame;
  ASSERT_TRUE(frame.Start(program.Folder(), program.Env()));
  for (const std::string name : {"diary", "plain"}) {
    const QString path = QString::fromStdString(program.Folder() + (name == "diary" ? "diary.html" : "plain"));
    WhenModal([path](QWidget* w) {
      // "すべてのファイル (*.*)" offers a name without a dot too.
      EXPECT_EQ(2, qobject_cast<QFileDialog*>(w)->nameFilters().size());
      ChooseFile(w, path, true);
    });
    frame.view()->NewForm();
    EXPECT_EQ(program.Folder() + name + ".gpg", frame.view()->record().leafPath());
  }
}

TEST(CommandRules, FingerprintShowsTwoLinesOfFiveGroups) {
  EXPECT_EQ("0123 4567 89AB CDEF 0123 \n4567 89AB CDEF 0123 4567",
            FingerprintDisplayText("0123456789ABCDEF0123456789ABCDEF01234567"));
  EXPECT_EQ("", FingerprintDisplayText(""));
  EXPECT_EQ("ABCD E", FingerprintDisplayText("ABCDE"));
}

TEST(CommandRules, LeafPathReplacesTheExtensionOfTheFileName) {
  EXPECT_EQ("/forms/diary.gpg", LeafPathForForm("/forms/diary.html"));
  EXPECT_EQ("/forms/diary.v2.gpg", LeafPathForForm("/forms/diary.v2.html"));
  EXPECT_EQ("/forms/plain.gpg", LeafPathForForm("/forms/plain"));
  EXPECT_EQ("/my.forms/plain.gpg", LeafPathForForm("/my.forms/plain"));
}

TEST(StartupView, FingerprintBoxAndFormDataExport) {
  ProgramFolder program(true);
  program.AddForm("<html><script>function exportForm() { return 'エクスポート'; }</script></html>");
  MainFrame frame;
  ASSERT_TRUE(frame.Start(program.Folder(), program.Env()));

  QString title, text;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(nullptr, box);
    title = box->windowTitle();
    text = box->text();
    box->accept();
  });
  frame.view()->ShowMyFingerprint();
  EXPECT_EQ(QStringLiteral("自分の鍵指紋"), title);
  EXPECT_EQ(QString::fromStdString(FingerprintDisplayText(SharedKey().key.fingerprint)), text);

  // Exported form data is a record's plaintext: owner-only, whatever the umask.
  const std::string out = program.Folder() + "export.txt";
  WhenModal([out](QWidget* w) { ChooseFile(w, QString::fromStdString(out), false); });
  const mode_t mask = ::umask(022);
  frame.view()->ExportFormData();
  ::umask(mask);
  EXPECT_EQ("エクスポート", ReadFile(out));
  struct stat exported {};
  ASSERT_EQ(::stat(out.c_str(), &exported), 0);
  EXPECT_EQ(exported.st_mode & 0777, 0600u);

  // Export my key: the save dialog offers "Untitled" and writes the key.
  const std::string keyFile = program.Folder() + "mykey.gpg";
  QString initial;
  WhenModal([&](QWidget* w) {
    if (auto* edit = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) initial = edit->text();
    ChooseFile(w, QString::fromStdString(keyFile), false);
  });
  frame.view()->ExportMyKey();
  EXPECT_EQ(QStringLiteral("Untitled"), initial);
  const std::string key = ReadFile(keyFile);
  ASSERT_FALSE(key.empty());
  EXPECT_EQ(0x99, static_cast<unsigned char>(key[0]));  // an OpenPGP public key packet
}

}  // namespace
}  // namespace ambrine::test
