#include "app/web/live_form_page.h"

#include "app/web/form_view.h"

namespace ambrine {

Result LiveFormPage::SaveDocument(std::string& bytes) { return view_.SerializeDocument(bytes); }

Result LiveFormPage::CallSaveForm(std::string& text, bool& isString) {
  PageCallResult result = view_.CallPageFunction("saveForm", {});
  isString = result.isString;
  text = std::move(result.text);
  return result.status;
}

Result LiveFormPage::LoadDocument(const std::string& bytes) {
  // A saved document is always UTF-8, whatever charset its markup names.
  return view_.LoadBytes(bytes, true);
}

Result LiveFormPage::CallRestoreForm(const std::string& text) {
  return view_.CallPageFunction("restoreForm", {text}).status;
}

}  // namespace ambrine
