// The form page as the leaf writer and reader see it. The window implements
// it on the web view; the command-line tool and the tests on plain data.
#pragma once

#include <string>

#include "base/status.h"

namespace ambrine {

class FormPage {
 public:
  virtual ~FormPage() = default;

  // The page's current document as bytes (doctype + markup, UTF-8).
  virtual Status SaveDocument(std::string& bytes) = 0;
  // Calls the page's saveForm(). `isString` is false when it returned
  // something other than a string; kUnknownName when there is no saveForm.
  virtual Status CallSaveForm(std::string& text, bool& isString) = 0;
  // Shows `bytes` as the page's document and returns once it has loaded.
  virtual Status LoadDocument(const std::string& bytes) = 0;
  // Calls the page's restoreForm(text); kUnknownName when there is none.
  virtual Status CallRestoreForm(const std::string& text) = 0;
};

}  // namespace ambrine
