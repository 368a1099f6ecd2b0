// gpg's questions during a save, asked with the input box and message boxes
// owned by the view's window.
#pragma once

#include "leaf/save_conversation.h"

class QWidget;

namespace ambrine {

class DialogSaveQuestions : public SaveQuestions {
 public:
  explicit DialogSaveQuestions(QWidget* owner) : owner_(owner) {}

  std::string AskLine(const std::string& prompt, bool hidden) override;
  bool AskYesNo(const std::string& prompt) override;
  void ShowBadPassphrase() override;

 private:
  QWidget* owner_;
};

}  // namespace ambrine
