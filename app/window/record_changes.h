// Whether the record on screen has changed since it was loaded, created or
// saved: the page's saveForm() text differs from the one it gave at that
// moment, or attachments were added or detached since. Forms need nothing
// of their own for this.
#pragma once

#include <string>

namespace ambrine {

class FormPage;

class RecordChanges {
 public:
  ~RecordChanges();  // wipes the remembered form text

  // The record as it is now counts as unchanged: remembers `formText`, the
  // page's saveForm() result at this moment.
  void MarkUnchanged(std::string formText);
  // Asks the page for its saveForm() text and remembers it.
  void MarkUnchanged(FormPage& page);
  void MarkAttachmentsChanged() { attachmentsChanged_ = true; }
  // The saveForm() text remembered at the last load or save ("" when the
  // page gave none).
  const std::string& formText() const { return formText_; }

  // Compares the page's saveForm() text with the remembered one. A page
  // whose saveForm fails or is missing counts by its attachments alone.
  bool IsChanged(FormPage& page) const;

 private:
  std::string formText_;
  bool attachmentsChanged_ = false;
};

}  // namespace ambrine
