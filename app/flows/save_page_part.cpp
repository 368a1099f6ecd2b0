#include "app/flows/save_page_part.h"

#include "app/web/page_handover.h"
#include "base/secure_wipe.h"

namespace ambrine {

void SavePagePart::TakeHandover(PageHandover& handover) {
  documentResult = handover.documentResult;
  if (Succeeded(documentResult) && handover.document.empty()) documentResult = kFailure;
  SecureWipe(page.document);
  page.document.swap(handover.document);
  formResult = handover.formResult;
  formIsString = handover.formIsString;
  SecureWipe(page.form);
  if (formIsString) page.form.swap(handover.formText);
}

void SavePagePart::TakeFromPage(FormPage& live) {
  SecureWipe(page.document);
  documentResult = live.SaveDocument(page.document);
  if (Failed(documentResult)) return;
  SecureWipe(page.form);
  formResult = live.CallSaveForm(page.form, formIsString);
  if (!formIsString) SecureWipe(page.form);
}

}  // namespace ambrine
