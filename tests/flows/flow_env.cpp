#include "flows/flow_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QWebEnginePage>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/web/form_view.h"
#include "app/window/commands.h"
#include "app/window/main_frame.h"
#include "app/window/main_view.h"
#include "base/folders.h"
#include "flows/modal_script.h"

namespace ambrine::test {

namespace fs = std::filesystem;

namespace {

std::string base;
std::string tmpFolder;
std::string workFolder;

FlowKeys ReadKeys(const std::string& folder) {
  FlowKeys keys;
  keys.aliceHome = folder + "/alice";
  keys.bobHome = folder + "/bob";
  keys.malloryHome = folder + "/mallory";
  std::istringstream in(ReadFile(folder + "/keys.txt"));
  for (TestKey* key : {&keys.alice, &keys.bob, &keys.mallory}) {
    std::getline(in, key->userId);
    std::getline(in, key->fingerprint);
  }
  return keys;
}

}  // namespace

void MakeFlowKeys(const std::string& folder) {
  fs::remove_all(folder);
  for (const char* name : {"alice", "bob", "mallory"}) {
    fs::create_directories(folder + "/" + name);
    fs::permissions(folder + "/" + name, fs::perms::owner_all);
  }
  const TestKey alice = MakeKey(folder + "/alice", "Alice Flow");
  const TestKey bob = MakeKey(folder + "/bob", "Bob Flow", FlowKeys::kBobPassphrase);
  const TestKey mallory = MakeKey(folder + "/mallory", "Mallory Flow");
  CopyPublicKey(folder + "/bob", folder + "/alice", bob.fingerprint);
  CopyPublicKey(folder + "/alice", folder + "/bob", alice.fingerprint);
  CopyPublicKey(folder + "/alice", folder + "/mallory", alice.fingerprint);
  std::string list;
  for (const TestKey* key : {&alice, &bob, &mallory}) list += key->userId + "\n" + key->fingerprint + "\n";
  WriteFile(folder + "/keys.txt", list);
}

const FlowKeys& Keys() {
  static const FlowKeys keys = [] {
    const char* dir = ::getenv("AMB_FLOW_KEYS_DIR");
    if (dir && *dir && fs::exists(std::string(dir) + "/keys.txt")) return ReadKeys(dir);
    const std::string folder = WorkFolder() + "/keys";
    MakeFlowKeys(folder);
    return ReadKeys(folder);
  }();
  return keys;
}

void SetUpScratch() {
  std::string pattern = "/tmp/amb-flows-XXXXXX";
  if (!::mkdtemp(pattern.data())) std::abort();
  base = pattern;
  tmpFolder = base + "/tmp";
  workFolder = base + "/work";
  fs::create_directories(tmpFolder);
  fs::create_directories(workFolder);
  // Every temporary file the program makes lands where the tests can see it.
  ::setenv("TMPDIR", tmpFolder.c_str(), 1);
}

void TearDownScratch() {
  std::error_code ignored;
  if (!base.empty()) fs::remove_all(base, ignored);
}

const std::string& TmpFolder() { return tmpFolder; }
const std::string& WorkFolder() { return workFolder; }

std::string MakeProgramFolder(const std::string& name, const std::string& home) {
  const std::string folder = workFolder + "/" + name + "/";
  fs::create_directories(folder + "bin");
  fs::create_directories(folder + "preset");
  fs::create_symlink(AMBRINE_GPG1, folder + "bin/gpg");
  fs::copy_file(AMBRINE_SOURCE_DIR "/preset/index.html", folder + "preset/index.html");
  if (!home.empty()) {
    fs::create_directories(folder + "conf");
    fs::permissions(folder + "conf", fs::perms::owner_all);
    for (const char* ring : {"secring.gpg", "pubring.gpg"}) {
      fs::copy_file(home + "/" + ring, folder + "conf/" + ring);
    }
  }
  return folder;
}

std::vector<std::string> FilesHolding(const std::string& folder, const std::string& marker) {
  std::vector<std::string> found;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (!it->is_regular_file()) continue;
    if (ReadFile(it->path().string()).find(marker) != std::string::npos) {
      found.push_back(it->path().string());
    }
  }
  return found;
}

std::vector<std::string> NewFilesHolding(const std::string& folder, fs::file_time_type since,
                                         const std::string& marker) {
  std::vector<std::string> found;
  std::error_code error;
  const auto options = fs::directory_options::skip_permission_denied;
  for (auto it = fs::recursive_directory_iterator(folder, options, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    if (it->is_symlink(ignored) || !it->is_regular_file(ignored)) continue;
    if (it->last_write_time(ignored) < since) continue;
    if (ReadFile(it->path().string()).find(marker) != std::string::npos)
      found.push_back(it->path().string());
  }
  return found;
}

std::vector<std::string> AttachmentTempFiles(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("AMB", 0) == 0 && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".TMP") == 0) {
      found.push_back(entry.path().string());
    }
  }
  return found;
}

Window::Window() : frame_(std::make_unique<MainFrame>()) {}

Window::~Window() = default;

MainView& Window::view() { return *frame_->view(); }

bool Window::Start(const std::string& programFolder, const QString& leaf) {
  view().setErrorReport(report_);
  // The program runs from its folder: gpg is bin/gpg under the current one.
  if (::chdir(programFolder.c_str()) != 0) return false;
  StartupEnvironment env;
  env.home = workFolder;
  env.currentFolder = programFolder;
  if (!frame_->Start(programFolder, env, leaf)) return false;
  frame_->resize(1100, 900);
  frame_->show();
  return QTest::qWaitForWindowExposed(frame_.get());
}

QVariant Window::Js(const QString& script) {
  QVariant value;
  bool answered = false;
  view().formView().page()->runJavaScript(script, [&](const QVariant& v) {
    value = v;
    answered = true;
  });
  SpinUntil([&] { return answered; });
  return value;
}

void Window::ClickPageElement(const QString& id) {
  const QVariantList box =
      Js(QStringLiteral("(function (e) { e.scrollIntoView({ block: 'center' });"
                        "  var r = e.getBoundingClientRect();"
                        "  return [r.left + r.width / 2, r.top + r.height / 2]; })"
                        "(document.getElementById('%1'))")
             .arg(id))
          .toList();
  QWidget* page = view().formView().focusProxy();
  if (box.size() != 2 || !page) return;
  QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(box[0].toInt(), box[1].toInt()));
}

bool Window::PageListsAttachments(int count) {
  return SpinUntil([&] {
    return Js(QStringLiteral("document.querySelectorAll('#attachList li').length")).toInt() == count;
  });
}

void Window::FillForm(const QString& title, const QString& body, const QString& item,
                      const QString& amount) {
  const QString script = QStringLiteral(
                             "(function (v) {"
                             "  document.getElementById('title').value = v[0];"
                             "  document.getElementById('body').value = v[1];"
                             "  var tr = document.getElementById('rows').rows[0];"
                             "  tr.querySelector('input.item').value = v[2];"
                             "  tr.querySelector('input.amount').value = v[3];"
                             "  return true;"
                             "})(%1)")
                             .arg(QString::fromUtf8(
                                 QJsonDocument(QJsonArray::fromStringList(
                                                   {title, body, item, amount}))
                                     .toJson(QJsonDocument::Compact)));
  Js(script);
}

QStringList Window::FormValues() {
  return Js(QStringLiteral(
                "(function () {"
                "  var tr = document.getElementById('rows').rows[0];"
                "  return [document.getElementById('title').value,"
                "          document.getElementById('body').value,"
                "          tr ? tr.querySelector('input.item').value : null,"
                "          tr ? tr.querySelector('input.amount').value : null];"
                "})()"))
      .toStringList();
}

void Window::AttachFile(const std::string& path) {
  ModalScript script;
  script.FileDialog(QString::fromStdString(path));
  std::optional<std::string> listing;
  view().attachFile(listing);
  ASSERT_TRUE(script.done()) << script.Log().toStdString();
}

void Window::SaveTo(const std::string& leaf) {
  ModalScript save;
  save.SaveOptions({}, QString::fromStdString(leaf));
  frame().action(kCmdSave)->trigger();
  ASSERT_TRUE(save.done()) << save.Log().toStdString();
}

}  // namespace ambrine::test
