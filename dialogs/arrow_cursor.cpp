#include "dialogs/arrow_cursor.h"

#include <QApplication>
#include <QCursor>

namespace ambrine {

ArrowCursor::ArrowCursor() { QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }

ArrowCursor::~ArrowCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace ambrine
