// What the flow tests share: key pairs made once per run, a scratch folder
// per process (with its own TMPDIR, so the tests can look at every file the
// program leaves there), program folders, and a main window to drive.
#pragma once

#include <QString>
#include <QVariant>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/error_report.h"
#include "support/recording_report.h"
#include "support/test_keyring.h"

namespace ambrine {
class MainFrame;
class MainView;
}  // namespace ambrine

namespace ambrine::test {

// Alice (no passphrase) holds Bob's public key; Bob (passphrase) holds
// Alice's; Mallory (no passphrase) holds Alice's, and no one holds his.
struct FlowKeys {
  std::string aliceHome, bobHome, malloryHome;
  TestKey alice, bob, mallory;
  static constexpr const char* kBobPassphrase = "bob-pass";
};

// The keys of this run: from AMB_FLOW_KEYS_DIR when set (made by
// --make-keys), else made on first use.
const FlowKeys& Keys();
void MakeFlowKeys(const std::string& folder);

// Made by main(): <base>/tmp is TMPDIR, <base>/work holds everything else.
void SetUpScratch();
void TearDownScratch();
const std::string& TmpFolder();
const std::string& WorkFolder();

// A program folder under the work folder: bin/gpg, preset/index.html and,
// unless `home` is empty, conf/ with the key rings of `home`.
std::string MakeProgramFolder(const std::string& name, const std::string& home);

// Files under `folder` (recursively) whose bytes contain `marker`.
std::vector<std::string> FilesHolding(const std::string& folder, const std::string& marker);
// Regular files under `folder` (recursively, links not followed) written
// since `since` whose bytes contain `marker`. Only a new file can hold what
// the program has just shown, and reading only those keeps the scan of a
// large folder (the home folder) short.
std::vector<std::string> NewFilesHolding(const std::string& folder,
                                         std::filesystem::file_time_type since,
                                         const std::string& marker);
// Files under `folder` named AMB*.TMP.
std::vector<std::string> AttachmentTempFiles(const std::string& folder);

// The main window started on a program folder, reporting into `report`.
class Window {
 public:
  Window();
  ~Window();
  // False when start-up failed. With `leaf`, the window then opens it as
  // it does a leaf named on the command line.
  bool Start(const std::string& programFolder, const QString& leaf = QString());

  MainFrame& frame() { return *frame_; }
  MainView& view();
  RecordingReport& report() { return report_; }

  // Runs `script` in the page and gives its value.
  QVariant Js(const QString& script);
  // Clicks the page's element with this id as the user would (page methods
  // that open a dialog need a user's action).
  void ClickPageElement(const QString& id);
  // Waits until the page lists `count` attachments.
  bool PageListsAttachments(int count);
  // Fills the default form: title, body and the first table row.
  void FillForm(const QString& title, const QString& body, const QString& item,
                const QString& amount);
  // The form's title, body, first row item and amount as the page shows them.
  QStringList FormValues();
  // Attaches `path` through the view, its file dialog answered.
  void AttachFile(const std::string& path);
  // Saves through File > Save with the own key only, to `leaf` (empty:
  // the proposed file), answering the save options dialog alone.
  void SaveTo(const std::string& leaf);

 private:
  std::unique_ptr<MainFrame> frame_;
  RecordingReport report_;
};

}  // namespace ambrine::test
