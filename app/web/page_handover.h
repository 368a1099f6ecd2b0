// What the page's saveLeaf call hands over with it: the result of the page's
// saveForm() and the serialised document, gathered before the call.
#pragma once

#include <string>

#include "base/result.h"

namespace ambrine {

struct PageHandover {
  Result formResult = kOk;  // kUnknownName without saveForm, kFailure when it threw
  bool formIsString = false;
  std::string formText;     // UTF-8
  std::string document;     // doctype + markup, UTF-8
  Result documentResult = kOk;  // kInvalidData when the document was too large
};

}  // namespace ambrine
