#include "app/flows/gui_thread_open_questions.h"

#include "app/flows/background_operation.h"

namespace ambrine {

bool GuiThreadOpenQuestions::AskPassphrase(bool symmetric, std::string& answer) {
  bool given = false;
  BackgroundOperation::CallOnGuiThread([&] { given = questions_.AskPassphrase(symmetric, answer); });
  return given;
}

void GuiThreadOpenQuestions::ShowBadPassphrase() {
  BackgroundOperation::CallOnGuiThread([&] {
    questions_.SetGpgError(gpgError());
    questions_.ShowBadPassphrase();
  });
}

void GuiThreadOpenQuestions::ShowNotDecryptable() {
  BackgroundOperation::CallOnGuiThread([&] {
    questions_.SetGpgError(gpgError());
    questions_.ShowNotDecryptable();
  });
}

bool GuiThreadOpenQuestions::ConfirmSignatures(const OpenCheckResult& checked) {
  bool confirmed = false;
  BackgroundOperation::CallOnGuiThread([&] { confirmed = questions_.ConfirmSignatures(checked); });
  return confirmed;
}

}  // namespace ambrine
