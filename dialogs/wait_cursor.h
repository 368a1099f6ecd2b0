// Shows the wait cursor while gpg works; the previous cursor comes back
// when the object goes, on every way out.
#pragma once

namespace ambrine {

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

  // Puts the previous cursor back early; the destructor then does nothing.
  void Restore();

 private:
  bool shown_ = true;
};

}  // namespace ambrine
