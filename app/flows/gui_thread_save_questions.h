// gpg's questions during a save that runs on a worker thread: each is asked
// by the window's questions on the GUI thread, above the progress dialog,
// and the worker waits for the answer.
#pragma once

#include "leaf/save_conversation.h"

namespace ambrine {

class GuiThreadSaveQuestions : public SaveQuestions {
 public:
  explicit GuiThreadSaveQuestions(SaveQuestions& questions) : questions_(questions) {}

  // Each asks the same question on the GUI thread.
  std::string AskLine(const std::string& prompt, bool hidden) override;
  bool AskYesNo(const std::string& prompt) override;
  void ShowBadPassphrase() override;

 private:
  SaveQuestions& questions_;
};

}  // namespace ambrine
