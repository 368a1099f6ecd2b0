// The form page for a core operation that runs on a worker thread (the
// open, which loads the leaf's page and restores its form): every
// call is passed to the window's page on the GUI thread, where the web view
// lives, and the worker waits for its result.
#pragma once

#include "leaf/form_page.h"

namespace ambrine {

class GuiThreadFormPage : public FormPage {
 public:
  explicit GuiThreadFormPage(FormPage& page) : page_(page) {}

  // Each runs the same call of the page on the GUI thread.
  Result SaveDocument(std::string& bytes) override;
  Result CallSaveForm(std::string& text, bool& isString) override;
  Result LoadDocument(const std::string& bytes) override;
  Result CallRestoreForm(const std::string& text) override;

 private:
  FormPage& page_;
};

}  // namespace ambrine
