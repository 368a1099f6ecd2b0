// A form page made of plain data, for the command-line tool: the document
// and the form text as bytes, wiped when the page goes.
#pragma once

#include <string>

#include "leaf/form_page.h"

namespace ambrine {

class PlainFormPage : public FormPage {
 public:
  ~PlainFormPage() override;

  Status SaveDocument(std::string& bytes) override;
  Status CallSaveForm(std::string& text, bool& isString) override;
  Status LoadDocument(const std::string& bytes) override;
  Status CallRestoreForm(const std::string& text) override;

  std::string document;
  std::string form;
};

}  // namespace ambrine
