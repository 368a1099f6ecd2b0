#include "app/flows/gui_thread_save_questions.h"

#include "app/flows/background_operation.h"

namespace ambrine {

std::string GuiThreadSaveQuestions::AskLine(const std::string& prompt, bool hidden) {
  std::string answer;
  BackgroundOperation::CallOnGuiThread([&] { answer = questions_.AskLine(prompt, hidden); });
  return answer;
}

bool GuiThreadSaveQuestions::AskYesNo(const std::string& prompt) {
  bool yes = false;
  BackgroundOperation::CallOnGuiThread([&] { yes = questions_.AskYesNo(prompt); });
  return yes;
}

void GuiThreadSaveQuestions::ShowBadPassphrase() {
  BackgroundOperation::CallOnGuiThread([&] { questions_.ShowBadPassphrase(); });
}

}  // namespace ambrine
