// The form page as the leaf writer and reader see it, on the live web view.
#pragma once

#include "leaf/form_page.h"

namespace ambrine {

class FormView;

class LiveFormPage : public FormPage {
 public:
  explicit LiveFormPage(FormView& view) : view_(view) {}

  Result SaveDocument(std::string& bytes) override;
  Result CallSaveForm(std::string& text, bool& isString) override;
  Result LoadDocument(const std::string& bytes) override;
  Result CallRestoreForm(const std::string& text) override;

 private:
  FormView& view_;
};

}  // namespace ambrine
