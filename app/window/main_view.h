// The view in the main window: hosts the form in the web view, is the page's
// script object (window.external) and runs the window's commands, one at a
// time (see CommandRunner). It owns the gpg settings, the user's own key,
// the record on screen (see Record) and its attachment viewers.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/flows/flow_context.h"
#include "app/web/form_engine_page.h"
#include "app/web/form_view.h"
#include "app/web/script_external.h"
#include "app/web/viewer_content.h"
#include "app/window/attachment_viewers.h"
#include "app/window/command_runner.h"
#include "app/window/record.h"
#include "base/folders.h"
#include "base/recent_leaves.h"
#include "gpg/gpg_settings.h"

namespace ambrine {

class AttachmentViewerWindow;
class WipedBytes;
class ErrorReport;

class MainView : public QWidget, public ScriptExternal, public PageCallHandler {
  Q_OBJECT

 public:
  explicit MainView(QWidget* parent = nullptr);
  ~MainView() override;

  // Finds the folders and key rings, asks for a key pair on first run, reads
  // the user's own key and shows the preset form. kCancelled when the user
  // declined to make a key; other failures when a folder cannot be made.
  Result Start(const std::string& programFolder, const StartupEnvironment& env);

  // Shows an HTML file as the form of a new record: the attachments and
  // their viewers go first. Failures are reported (source "mainview").
  Result LoadFormFile(const std::string& path);

  // Runs `command` unless a flow already runs (see CommandRunner::Run);
  // false when the command was refused.
  bool RunExclusive(const std::function<void()>& command) { return commands_.Run(command); }
  bool flowRunning() const { return commands_.running(); }

  // Before the record on screen is thrown away (Exit, close, New, Open):
  // when it changed since it was loaded, created or saved, asks whether to
  // save it. True when the caller may go on: unchanged, 保存しない, or 保存
  // and the save succeeded.
  bool ConfirmDiscard();

  // Commands of the main window.
  void NewForm();
  // File > Open when `path` is empty (the file dialog asks for the leaf);
  // otherwise the leaf given on the command line or dropped on the window.
  // Both ask first whether to save a changed record.
  void OpenLeaf(const std::string& path = std::string());
  void ExportFormData();
  void ShowKeyManagement();
  void ShowMyFingerprint();
  void ExportMyKey();
  // Tools > 添付ファイルの表示: lets the user pick an attachment and views
  // it as viewFile does.
  void ViewAttachment();
  // Closes every attachment viewer (their bytes are wiped): when the
  // window closes and when another record replaces this one.
  void CloseViewers();
  // The attachment viewers open now, oldest first.
  std::vector<AttachmentViewerWindow*> viewers() const { return viewers_.open(); }

  // ScriptExternal.
  void saveLeaf() override;
  void attachFile(std::optional<std::string>& result) override;
  void detachFile(std::int32_t index, std::optional<std::string>& result) override;
  void listFile(std::optional<std::string>& result) override;
  void extractFile(std::int32_t index) override;
  void saveForm(const std::string& text) override;
  void viewFile(std::int32_t index) override;

  // PageCallHandler: a window.external call from the page.
  Result HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                        PageHandover* handover,
                        std::optional<std::string>& result) override;

  // What the window and the tests look at.
  GpgSettings& settings() { return settings_; }
  Record& record() { return record_; }
  FormView& formView() { return *view_; }
  ErrorReport& errorReport() { return report_; }
  const std::string& programFolder() const { return programFolder_; }
  const std::string& ownUserId() const { return ownUserId_; }
  const std::string& ownFingerprint() const { return ownFingerprint_; }
  // The leaves opened or saved last (null before start-up).
  RecentLeaves* recentLeaves() { return recentLeaves_.get(); }
  // The window that owns the dialogs the view shows.
  QWidget* dialogOwner();

  // Lets tests record reports instead of showing them.
  void setErrorReport(ErrorReport& report) { report_ = report; }

 signals:
  // The own key was read; the main window puts it in its title.
  void ownKeyChanged(const QString& userId);

 private:
  FormView* view_;
  Record record_;  // shown in view_
  GpgSettings settings_;
  std::string programFolder_;
  std::unique_ptr<RecentLeaves> recentLeaves_;
  std::string ownUserId_;
  std::string ownFingerprint_;
  std::reference_wrapper<ErrorReport> report_;
  PageHandover* handover_ = nullptr;

  // What a flow works with, for the command being run.
  FlowContext Flow();
  // Shows an attachment read into memory in a new viewer window.
  void OpenViewer(const QString& name, std::shared_ptr<const WipedBytes> bytes,
                  const ViewerContent& content);
  // Puts the current leaf first in the recent leaves.
  void NoteRecentLeaf();
  // The save flow; true when the leaf was written. The record then counts
  // as unchanged and the current leaf is the file just written.
  bool Save();

  AttachmentViewers viewers_;  // of the record on screen
  CommandRunner commands_;
  // The attachments' listing when a command began or, during it, when the
  // page was last given one while no worker thread held them; what listFile
  // answers while one does.
  std::optional<std::string> listingAtHand_;
};

}  // namespace ambrine
