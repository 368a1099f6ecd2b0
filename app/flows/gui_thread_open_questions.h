// The questions of an open that runs on a worker thread (and answers gpg's
// passphrase questions on a second thread of its own): each is asked by the
// window's questions on the GUI thread, above the progress dialog, and the
// asking thread waits for the answer.
#pragma once

#include "leaf/leaf_file.h"

namespace ambrine {

class GuiThreadOpenQuestions : public LeafOpenQuestions {
 public:
  explicit GuiThreadOpenQuestions(LeafOpenQuestions& questions) : questions_(questions) {}

  // Each asks the same question on the GUI thread; the two that show gpg's
  // line hand it on first.
  bool AskPassphrase(bool symmetric, std::string& answer) override;
  void ShowBadPassphrase() override;
  void ShowNotDecryptable() override;
  bool ConfirmSignatures(const OpenCheckResult& checked) override;

 private:
  LeafOpenQuestions& questions_;
};

}  // namespace ambrine
