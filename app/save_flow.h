// File > Save and the page's saveLeaf(): asks for the save options and writes
// the form, its values and its attachments as an encrypted, signed leaf.
#pragma once

#include <string>
#include <vector>

namespace ambrine {

class MainView;
struct PageHandover;

// The keys gpg encrypts to: the chosen ones in their order, then the
// user's own key, so the user can always open what they saved.
std::vector<std::string> SaveRecipients(const std::vector<std::string>& chosen,
                                        const std::string& myFingerprint);

class SaveFlow {
 public:
  explicit SaveFlow(MainView& view) : view_(view) {}
  // `handover` is what the page's saveLeaf call brought along; null when the
  // command came from the menu and the page can be asked directly.
  void Run(const PageHandover* handover);

 private:
  MainView& view_;
};

}  // namespace ambrine
