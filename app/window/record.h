// The record on screen: the form page shown in the web view, the values it
// had when it was last loaded or saved, its attachments and the leaf it
// belongs to. It tells whether the record changed and puts a usable page
// back after the page was lost; the view (MainView) asks the user and runs
// the flows on it.
#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "app/web/live_form_page.h"
#include "app/window/record_changes.h"
#include "base/result.h"
#include "leaf/attachment_store.h"

namespace ambrine {

class ErrorReport;
class FormView;

class Record : public QObject {
  Q_OBJECT

 public:
  // The page is the one `view` shows; `view` must outlive the record.
  explicit Record(FormView& view, QObject* parent = nullptr);
  ~Record() override;  // no temporary attachment file outlives the record

  FormPage& page() { return page_; }
  AttachmentStore& attachments() { return store_; }
  // The current leaf: the one opened or saved last, or a new form's
  // proposal; "" when there is none.
  const std::string& leafPath() const { return leafPath_; }
  void SetLeafPath(std::string path);

  // Shows an HTML file as the record's page; empties the attachments first.
  // Failures are reported to `report` (source "mainview").
  Result LoadFormFile(const std::string& path, ErrorReport& report);

  // Whether the record changed since it was loaded, created or saved.
  bool IsChanged() { return changes_.IsChanged(page_); }
  // The record as the page shows it now counts as unchanged.
  void MarkUnchanged() { changes_.MarkUnchanged(page_); }
  // A save wrote the record, with the page's saveForm() text `formText`,
  // to `leafPath`: unchanged now, and that leaf is the current one.
  void MarkSaved(std::string formText, std::string leafPath);
  // An attachment was added or detached.
  void MarkAttachmentsChanged() { changes_.MarkAttachmentsChanged(); }

  // How RecoverPage brought a page back.
  enum class Recovered {
    kReloaded,  // the record's own page, with its last loaded or saved values
    kNewForm,   // a new record on the preset form, no leaf current
    kNothing,   // a blank page: no form could be shown
  };
  // After the page was lost: shows a usable form again. `recordReplaced`:
  // a command had begun to load another record's page, so there is no
  // record to come back to. `presetForm` is the form a new record gets
  // ("" when there is none).
  Recovered RecoverPage(bool recordReplaced, const std::string& presetForm, ErrorReport& report);

 signals:
  // The current leaf changed.
  void leafPathChanged(const QString& path);

 private:
  FormView& view_;
  LiveFormPage page_;
  AttachmentStore store_;
  std::string leafPath_;
  RecordChanges changes_;
};

}  // namespace ambrine
