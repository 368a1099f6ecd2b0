// The view in the main window: hosts the form in the web view, is the page's
// script object (window.external), and owns the gpg settings, the user's own
// fingerprint, the current leaf path and the attachments of the open form.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/flows/flow_context.h"
#include "app/web/form_engine_page.h"
#include "app/web/form_view.h"
#include "app/web/live_form_page.h"
#include "app/web/script_external.h"
#include "app/web/viewer_content.h"
#include "app/window/record_changes.h"
#include "base/folders.h"
#include "base/recent_leaves.h"
#include "gpg/gpg_settings.h"
#include "leaf/attachment_store.h"

namespace ambrine {

class AttachmentViewerWindow;
class WipedBytes;
class ErrorReport;
class FormView;

class MainView : public QWidget, public ScriptExternal, public PageCallHandler {
  Q_OBJECT

 public:
  explicit MainView(QWidget* parent = nullptr);
  ~MainView() override;

  // Finds the folders and key rings, asks for a key pair on first run, reads
  // the user's own key and shows the preset form. kCancelled when the user
  // declined to make a key; other failures when a folder cannot be made.
  Status Start(const std::string& programFolder, const StartupEnvironment& env);

  // Shows an HTML file as the form; empties the attachment list first.
  // Failures are reported (source "mainview").
  Status LoadFormFile(const std::string& path);

  // Runs `command` unless a flow already runs: one flow at a time. The
  // flows' dialogs and page waits spin local event loops, so without this a
  // shortcut or a page call could start a save inside an open. The window
  // still repaints meanwhile. False when the command was refused.
  //
  // When the page was lost meanwhile (it stopped answering within the view's
  // wait limit, or its process died), the form is shown again once the
  // command has ended (see RecoverPage) and the user is told why.
  bool RunExclusive(const std::function<void()>& command);
  bool flowRunning() const { return flowRunning_; }

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
  std::vector<AttachmentViewerWindow*> viewers() const;

  // ScriptExternal.
  void saveLeaf() override;
  void attachFile(std::optional<std::string>& result) override;
  void detachFile(std::int32_t index, std::optional<std::string>& result) override;
  void listFile(std::optional<std::string>& result) override;
  void extractFile(std::int32_t index) override;
  void saveForm(const std::string& text) override;
  void viewFile(std::int32_t index) override;

  // PageCallHandler: a window.external call from the page.
  Status HandlePageCall(const std::string& name, const std::vector<ScriptValue>& args,
                        const PageHandover* handover,
                        std::optional<std::string>& result) override;

  // What the window and the tests look at.
  GpgSettings& settings() { return settings_; }
  AttachmentStore& attachments() { return store_; }
  FormView& formView() { return *view_; }
  FormPage& formPage() { return livePage_; }
  ErrorReport& errorReport() { return report_; }
  const std::string& programFolder() const { return programFolder_; }
  const std::string& ownUserId() const { return ownUserId_; }
  const std::string& myFingerprint() const { return myFingerprint_; }
  const std::string& leafPath() const { return leafPath_; }
  // The leaves opened or saved last (null before start-up).
  RecentLeaves* recentLeaves() { return recentLeaves_.get(); }
  // The window that owns the dialogs the view shows.
  QWidget* dialogOwner();

  // Lets tests record reports instead of showing them.
  void setErrorReport(ErrorReport& report) { report_ = report; }

 signals:
  // The own key was read; the main window puts it in its title.
  void ownKeyChanged(const QString& userId);
  // The current leaf changed (opened, saved, or a new form's proposal).
  void leafPathChanged(const QString& path);

 private:
  FormView* view_;
  LiveFormPage livePage_;
  GpgSettings settings_;
  std::string programFolder_;
  std::unique_ptr<RecentLeaves> recentLeaves_;
  std::string ownUserId_;
  std::string myFingerprint_;
  std::string leafPath_;
  AttachmentStore store_;
  std::reference_wrapper<ErrorReport> report_;
  const PageHandover* handover_ = nullptr;

  // Passes reports on to report_, except those caused by a lost page:
  // the window tells that once, in its own words.
  class FlowReport : public ErrorReport {
   public:
    explicit FlowReport(MainView& view) : view_(view) {}
    using ErrorReport::Report;
    void Report(Status code, const char* source, int line) override;

   private:
    MainView& view_;
  };

  // What a flow works with, for the command being run.
  FlowContext Flow();
  // After a command during which the page was lost: shows the form again
  // and tells the user. `recordReplaced`: the command had begun to load
  // another record's page.
  void AfterPageLoss(bool recordReplaced);
  // Shows a usable form again; returns the sentence that tells which.
  QString RecoverPage(bool recordReplaced);
  // Handles a loss that came while no command ran, once the engine's
  // signal has returned.
  void HandleLossLater();
  void SetLeafPath(std::string path);
  // Shows an attachment read into memory in a new viewer window.
  void OpenViewer(const QString& name, std::shared_ptr<const WipedBytes> bytes,
                  const ViewerContent& content);
  // Puts the current leaf first in the recent leaves.
  void NoteRecentLeaf();
  // The save flow; true when the leaf was written. The record then counts
  // as unchanged and the current leaf is the file just written.
  bool Save();

  RecordChanges changes_;
  std::vector<QPointer<AttachmentViewerWindow>> viewers_;  // of the record on screen
  bool flowRunning_ = false;
  // The attachments' listing when a command began or, during it, when the
  // page was last given one while no worker thread held them; what listFile
  // answers while one does.
  std::optional<std::string> listingAtHand_;
  FlowReport flowReport_{*this};
  PageLoss lossToTell_ = PageLoss::kNone;  // the first loss since it was last told
  QString lostWork_;                       // what the loss kept from being done
};

}  // namespace ambrine
