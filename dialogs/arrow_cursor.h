// The normal cursor over a dialog shown while the wait cursor is up; the
// wait cursor comes back when the object goes.
#pragma once

namespace ambrine {

class ArrowCursor {
 public:
  ArrowCursor();
  ~ArrowCursor();
  ArrowCursor(const ArrowCursor&) = delete;
  ArrowCursor& operator=(const ArrowCursor&) = delete;
};

}  // namespace ambrine
