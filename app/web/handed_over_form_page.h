// The form page as the save sees it while the page waits in its saveLeaf
// call: the document and saveForm()'s result come from what the call handed
// over; loading and restoring go to the live page.
#pragma once

#include "app/web/page_handover.h"
#include "leaf/form_page.h"

namespace ambrine {

// The page's script cannot run while it waits in saveLeaf.
class HandedOverFormPage : public FormPage {
 public:
  HandedOverFormPage(const PageHandover& handover, FormPage& live)
      : handover_(handover), live_(live) {}

  Status SaveDocument(std::string& bytes) override;
  Status CallSaveForm(std::string& text, bool& isString) override;
  Status LoadDocument(const std::string& bytes) override { return live_.LoadDocument(bytes); }
  Status CallRestoreForm(const std::string& text) override { return live_.CallRestoreForm(text); }

 private:
  const PageHandover& handover_;
  FormPage& live_;
};

}  // namespace ambrine
