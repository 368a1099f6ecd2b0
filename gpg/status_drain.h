// Reads and drops what gpg still writes on its status descriptor once the
// dialogue is over, so gpg never blocks on a full status pipe (or dies
// writing into a closed one) while the program streams the message to it.
#pragma once

#include <thread>

#include "base/fd.h"

namespace ambrine {

class StatusDrain {
 public:
  StatusDrain() = default;
  ~StatusDrain();  // waits for the end of the data
  StatusDrain(const StatusDrain&) = delete;
  StatusDrain& operator=(const StatusDrain&) = delete;

  // Starts reading `status` to its end on a thread of its own.
  void Start(Fd status);
  // Returns once gpg has closed its end (it has ended, or been stopped).
  void Join();

 private:
  std::thread thread_;
};

}  // namespace ambrine
