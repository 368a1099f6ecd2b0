#include "app/web/handed_over_form_page.h"

namespace ambrine {

Status HandedOverFormPage::SaveDocument(std::string& bytes) {
  if (Failed(handover_.documentStatus)) return handover_.documentStatus;
  if (handover_.document.empty()) return kFailure;
  bytes = handover_.document;
  return kOk;
}

Status HandedOverFormPage::CallSaveForm(std::string& text, bool& isString) {
  isString = handover_.formIsString;
  text = handover_.formIsString ? handover_.formText : std::string();
  return handover_.formStatus;
}

}  // namespace ambrine
