// File > Open: asks for a leaf file, checks its signature, decrypts it and
// shows the saved form with its values and attachments.
#pragma once

#include <string>

namespace ambrine {

class MainView;

class OpenFlow {
 public:
  explicit OpenFlow(MainView& view) : view_(view) {}
  void Run();

 private:
  // The checking pass: true when the user chose to go on; `passphrase` is
  // the last one confirmed (empty when none was asked for).
  bool Check(std::string& passphrase);
  // The producing pass: decrypts again and reads the leaf into the view.
  void Produce(const std::string& passphrase);

  MainView& view_;
};

}  // namespace ambrine
