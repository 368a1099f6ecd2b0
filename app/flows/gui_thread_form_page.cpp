#include "app/flows/gui_thread_form_page.h"

#include "app/flows/background_operation.h"

namespace ambrine {

Status GuiThreadFormPage::SaveDocument(std::string& bytes) {
  Status status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.SaveDocument(bytes); });
  return status;
}

Status GuiThreadFormPage::CallSaveForm(std::string& text, bool& isString) {
  Status status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.CallSaveForm(text, isString); });
  return status;
}

Status GuiThreadFormPage::LoadDocument(const std::string& bytes) {
  Status status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.LoadDocument(bytes); });
  return status;
}

Status GuiThreadFormPage::CallRestoreForm(const std::string& text) {
  Status status = kFailure;
  BackgroundOperation::CallOnGuiThread([&] { status = page_.CallRestoreForm(text); });
  return status;
}

}  // namespace ambrine
