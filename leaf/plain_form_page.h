// A form page made of plain data: the document and the form text as bytes,
// wiped when the page goes. The command-line tool reads and writes leaves
// through it; the window's open holds a leaf's page in it until the user
// has confirmed the leaf.
#pragma once

#include <string>

#include "leaf/form_page.h"

namespace ambrine {

class PlainFormPage : public FormPage {
 public:
  ~PlainFormPage() override;

  Result SaveDocument(std::string& bytes) override;
  // Points `bytes` at `document`, valid while it is unchanged.
  Result ViewDocument(std::string& scratch, std::string_view& bytes) override;
  Result CallSaveForm(std::string& text, bool& isString) override;
  Result LoadDocument(const std::string& bytes) override;
  // Swaps `bytes` into `document`; `bytes` gets the old document, wiped.
  Result TakeDocument(std::string& bytes) override;
  Result CallRestoreForm(const std::string& text) override;

  std::string document;
  std::string form;
  bool documentLoaded = false;  // LoadDocument was called
  bool formRestored = false;    // CallRestoreForm was called
};

}  // namespace ambrine
