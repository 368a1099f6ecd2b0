// File > Open: asks for a leaf file, checks its signature, decrypts it and
// shows the saved form with its values and attachments.
#pragma once

namespace ambrine {

class MainView;

class OpenFlow {
 public:
  explicit OpenFlow(MainView& view) : view_(view) {}
  void Run();

 private:
  MainView& view_;
};

}  // namespace ambrine
