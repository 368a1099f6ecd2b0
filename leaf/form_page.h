// The form page as the leaf writer and reader see it. The window implements
// it on the web view; the command-line tool and the tests on plain data.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"

namespace ambrine {

class FormPage {
 public:
  virtual ~FormPage() = default;

  // The page's current document as bytes (doctype + markup, UTF-8).
  virtual Result SaveDocument(std::string& bytes) = 0;
  // The same document for a caller that only reads it, and only until it
  // next calls the page: a page that holds the bytes itself points `bytes`
  // at them and makes no copy; any other makes them into `scratch` with
  // SaveDocument. The caller wipes `scratch` when done.
  virtual Result ViewDocument(std::string& scratch, std::string_view& bytes) {
    const Result status = SaveDocument(scratch);
    bytes = scratch;
    return status;
  }
  // Calls the page's saveForm(). `isString` is false when it returned
  // something other than a string; kUnknownName when there is no saveForm.
  virtual Result CallSaveForm(std::string& text, bool& isString) = 0;
  // Shows `bytes` as the page's document and returns once it has loaded.
  virtual Result LoadDocument(const std::string& bytes) = 0;
  // As LoadDocument, for a caller that is done with `bytes`: a page that
  // keeps the bytes itself takes them over instead of copying them. What
  // `bytes` holds afterwards stays the caller's to wipe.
  virtual Result TakeDocument(std::string& bytes) { return LoadDocument(bytes); }
  // Calls the page's restoreForm(text); kUnknownName when there is none.
  virtual Result CallRestoreForm(const std::string& text) = 0;
};

}  // namespace ambrine
