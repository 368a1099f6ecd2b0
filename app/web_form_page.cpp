#include "app/web_form_page.h"

#include "app/form_view.h"

namespace ambrine {

Status WebFormPage::SaveDocument(std::string& bytes) { return view_.SerializeDocument(bytes); }

Status WebFormPage::CallSaveForm(std::string& text, bool& isString) {
  PageCallResult result = view_.CallPageFunction("saveForm", {});
  isString = result.isString;
  text = std::move(result.text);
  return result.status;
}

Status WebFormPage::LoadDocument(const std::string& bytes) {
  // A saved document is always UTF-8, whatever charset its markup names.
  return view_.LoadBytes(bytes, true);
}

Status WebFormPage::CallRestoreForm(const std::string& text) {
  return view_.CallPageFunction("restoreForm", {text}).status;
}

Status HandedOverFormPage::SaveDocument(std::string& bytes) {
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
