// The page's part of a leaf as a save takes it, once, before gpg starts:
// the document and the saveForm() text, held in the one PlainFormPage the
// save's worker writes from, and how getting each of them went.
#pragma once

#include "base/result.h"
#include "leaf/plain_form_page.h"

namespace ambrine {

struct PageHandover;

struct SavePagePart {
  PlainFormPage page;  // wipes the document and the form text when it goes
  Result documentResult = kOk;
  Result formResult = kOk;   // kUnknownName without saveForm, kFailure when it threw
  bool formIsString = false;  // page.form is "" otherwise

  // Takes over what a saveLeaf call handed over: its strings are moved
  // into `page`, not copied, and are gone from `handover`. An empty
  // document counts as kFailure.
  void TakeHandover(PageHandover& handover);
  // Asks the live page for its document and then, once it has that, for
  // its saveForm() result.
  void TakeFromPage(FormPage& live);
};

}  // namespace ambrine
