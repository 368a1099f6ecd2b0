// What the key generation dialog shows of gpg's status lines while a key
// is made: progress characters run on along one line; every other line
// shows whole, on a line of its own.
#pragma once

#include <string>
#include <string_view>

#include "gpg/status_driver.h"

namespace ambrine {

// What one status line adds to the shown text: a progress line adds its
// progress character (runs stay on one line); any other line adds itself and
// a line break, after a line break that ends a run of progress characters.
std::string StatusLineDisplay(std::string_view line, bool& inProgress);

class KeyGenerationDisplay : public StatusHandler {
 public:
  StatusAction OnStatus(const StatusLine& line, CommandWriter& command) override;
  // The text added since the last call.
  std::string TakeText();

 private:
  std::string text_;
  bool inProgress_ = false;
};

}  // namespace ambrine
