#include "app/flows/gui_thread_form_page.h"

#include "app/flows/background_operation.h"

namespace ambrine {

Result GuiThreadFormPage::SaveDocument(std::string& bytes) {
  Result status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.SaveDocument(bytes); });
  return status;
}

Result GuiThreadFormPage::CallSaveForm(std::string& text, bool& isString) {
  Result status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.CallSaveForm(text, isString); });
  return status;
}

Result GuiThreadFormPage::LoadDocument(const std::string& bytes) {
  Result status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.LoadDocument(bytes); });
  return status;
}

Result GuiThreadFormPage::CallRestoreForm(const std::string& text) {
  Result status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.CallRestoreForm(text); });
  return status;
}

}  // namespace ambrine
