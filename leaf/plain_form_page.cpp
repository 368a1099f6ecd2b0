#include "leaf/plain_form_page.h"

#include "base/secure_wipe.h"

namespace ambrine {

PlainFormPage::~PlainFormPage() {
  SecureWipe(document);
  SecureWipe(form);
}

Result PlainFormPage::SaveDocument(std::string& bytes) {
  bytes = document;
  return kOk;
}

Result PlainFormPage::ViewDocument(std::string&, std::string_view& bytes) {
  bytes = document;
  return kOk;
}

Result PlainFormPage::CallSaveForm(std::string& text, bool& isString) {
  text = form;
  isString = true;
  return kOk;
}

Result PlainFormPage::LoadDocument(const std::string& bytes) {
  SecureWipe(document);
  document = bytes;
  documentLoaded = true;
  return kOk;
}

Result PlainFormPage::TakeDocument(std::string& bytes) {
  SecureWipe(document);
  document.swap(bytes);
  documentLoaded = true;
  return kOk;
}

Result PlainFormPage::CallRestoreForm(const std::string& text) {
  SecureWipe(form);
  form = text;
  formRestored = true;
  return kOk;
}

}  // namespace ambrine
