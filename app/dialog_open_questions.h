// gpg's questions while a leaf is checked, asked with the input box and a
// message box owned by the view's window.
#pragma once

#include "app/open_check.h"

class QWidget;

namespace ambrine {

class DialogOpenQuestions : public OpenQuestions {
 public:
  explicit DialogOpenQuestions(QWidget* owner) : owner_(owner) {}

  bool AskPassphrase(bool symmetric, std::string& answer) override;
  void ShowBadPassphrase() override;

 private:
  QWidget* owner_;
};

}  // namespace ambrine
