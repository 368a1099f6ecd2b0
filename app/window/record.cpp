#include "app/window/record.h"

#include <utility>

#include "app/web/form_view.h"
#include "base/error_report.h"
#include "base/whole_file.h"

namespace ambrine {

Record::Record(FormView& view, QObject* parent) : QObject(parent), view_(view), page_(view) {}

Record::~Record() { store_.Clear(); }

void Record::SetLeafPath(std::string path) {
  leafPath_ = std::move(path);
  emit leafPathChanged(QString::fromStdString(leafPath_));
}

Result Record::LoadFormFile(const std::string& path, ErrorReport& report) {
  store_.Clear();
  std::string bytes;
  const Result status = ReadWholeFile(path, bytes);
  if (Failed(status)) {
    report.Report(status, report::kFormFileUnreadable);
    return status;
  }
  // The file's own charset declaration decides how it is read.
  view_.LoadBytes(bytes, false);
  return kOk;
}

void Record::MarkSaved(std::string formText, std::string leafPath) {
  changes_.MarkUnchanged(std::move(formText));
  SetLeafPath(std::move(leafPath));
}

Record::Recovered Record::RecoverPage(bool recordReplaced, const std::string& presetForm,
                                      ErrorReport& report) {
  // The record is kept (its attachments, its leaf): its page comes back as
  // it was last loaded, with the values it had when it was last loaded or
  // saved. What was typed since lived only in the lost page.
  if (!recordReplaced && Succeeded(view_.ReloadLastDocument())) {
    const std::string& values = changes_.formText();
    if (values.empty() || !IsPageLoss(page_.CallRestoreForm(values))) return Recovered::kReloaded;
  }
  // No record to come back to: an open or New was putting another record
  // on screen when its page was lost, or the record's own page fails again.
  // A new record on the preset form, as at start; no leaf is current, so no
  // save can replace a leaf with what could not be shown.
  SetLeafPath(std::string());
  if (!presetForm.empty() && Succeeded(LoadFormFile(presetForm, report)) &&
      view_.pageLoss() == PageLoss::kNone) {
    changes_.MarkUnchanged(page_);
    return Recovered::kNewForm;
  }
  store_.Clear();
  view_.LoadBlank();
  changes_.MarkUnchanged(std::string());
  return Recovered::kNothing;
}

}  // namespace ambrine
