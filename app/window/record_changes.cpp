#include "app/window/record_changes.h"

#include "base/secure_wipe.h"
#include "leaf/form_page.h"

namespace ambrine {

namespace {

// The page's saveForm() text; empty when it has none or it failed.
std::string FormTextOf(FormPage& page) {
  std::string text;
  bool isString = false;
  if (Failed(page.CallSaveForm(text, isString)) || !isString) SecureWipe(text);
  return text;
}

}  // namespace

RecordChanges::~RecordChanges() { SecureWipe(formText_); }

void RecordChanges::MarkUnchanged(std::string formText) {
  SecureWipe(formText_);
  formText_ = std::move(formText);
  attachmentsChanged_ = false;
}

void RecordChanges::MarkUnchanged(FormPage& page) { MarkUnchanged(FormTextOf(page)); }

bool RecordChanges::IsChanged(FormPage& page) const {
  if (attachmentsChanged_) return true;
  std::string now = FormTextOf(page);
  const bool changed = now != formText_;
  SecureWipe(now);
  return changed;
}

}  // namespace ambrine
