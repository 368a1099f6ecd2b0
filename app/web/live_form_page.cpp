#include "app/web/live_form_page.h"

#include "app/web/form_view.h"

namespace ambrine {

Status LiveFormPage::SaveDocument(std::string& bytes) { return view_.SerializeDocument(bytes); }

Status LiveFormPage::CallSaveForm(std::string& text, bool& isString) {
  PageCallResult result = view_.CallPageFunction("saveForm", {});
  isString = result.isString;
  text = std::move(result.text);
  return result.status;
}

Status LiveFormPage::LoadDocument(const std::string& bytes) {
  // A saved document is always UTF-8, whatever charset its markup names.
  return view_.LoadBytes(bytes, true);
}

Status LiveFormPage::CallRestoreForm(const std::string& text) {
  return view_.CallPageFunction("restoreForm", {text}).status;
}

}  // namespace ambrine
