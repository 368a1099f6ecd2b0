#include "dialogs/wait_cursor.h"

#include <QApplication>
#include <QCursor>

namespace ambrine {

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }

WaitCursor::~WaitCursor() { Restore(); }

void WaitCursor::Restore() {
  if (!shown_) return;
  shown_ = false;
  QApplication::restoreOverrideCursor();
}

}  // namespace ambrine
