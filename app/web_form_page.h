// The form page as the leaf writer and reader see it, on the web view; and
// the variant that answers from what the page's saveLeaf call handed over.
#pragma once

#include "app/page_handover.h"
#include "leaf/form_page.h"

namespace ambrine {

class FormView;

class WebFormPage : public FormPage {
 public:
  explicit WebFormPage(FormView& view) : view_(view) {}

  Status SaveDocument(std::string& bytes) override;
  Status CallSaveForm(std::string& text, bool& isString) override;
  Status LoadDocument(const std::string& bytes) override;
  Status CallRestoreForm(const std::string& text) override;

 private:
  FormView& view_;
};

// While the page waits in its saveLeaf call its script cannot run: the
// document and saveForm()'s result come from the call itself. Loading and
// restoring go to the live page.
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
