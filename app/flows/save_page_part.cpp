#include "app/flows/save_page_part.h"

#include "app/web/page_handover.h"
#include "base/secure_wipe.h"

namespace ambrine {

void SavePagePart::TakeHandover(PageHandover& handover) {
  documentStatus = handover.documentStatus;
  if (Succeeded(documentStatus) && handover.document.empty()) documentStatus = kFailure;
  SecureWipe(page.document);
  page.document.swap(handover.document);
  formStatus = handover.formStatus;
  formIsString = handover.formIsString;
  SecureWipe(page.form);
  if (formIsString) page.form.swap(handover.formText);
}

void SavePagePart::TakeFromPage(FormPage& live) {
  SecureWipe(page.document);
  documentStatus = live.SaveDocument(page.document);
  if (Failed(documentStatus)) return;
  SecureWipe(page.form);
  formStatus = live.CallSaveForm(page.form, formIsString);
  if (!formIsString) SecureWipe(page.form);
}

}  // namespace ambrine
