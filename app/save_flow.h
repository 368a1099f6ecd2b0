// File > Save and the page's saveLeaf(): asks for the save options and writes
// the form, its values and its attachments as an encrypted, signed leaf.
#pragma once

namespace ambrine {

class MainView;
struct PageHandover;

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
