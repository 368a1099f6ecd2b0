// The questions of an open (gpg's passphrases, the signature confirmation),
// asked with the input box and message boxes owned by the view's window.
#pragma once

#include "leaf/leaf_file.h"

class QWidget;

namespace ambrine {

class DialogOpenQuestions : public LeafOpenQuestions {
 public:
  explicit DialogOpenQuestions(QWidget* owner) : owner_(owner) {}

  bool AskPassphrase(bool symmetric, std::string& answer) override;
  void ShowBadPassphrase() override;
  void ShowNotDecryptable() override;
  bool ConfirmSignatures(const OpenCheckResult& checked) override;

 private:
  QWidget* owner_;
};

}  // namespace ambrine
