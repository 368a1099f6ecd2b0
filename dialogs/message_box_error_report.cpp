#include "dialogs/message_box_error_report.h"

#include <QMessageBox>
#include <QString>

namespace ambrine {

void MessageBoxErrorReport::Report(Status code, const char* source, int line) {
  // No owner: a failure may be reported while no window is up yet.
  QMessageBox::critical(nullptr, QStringLiteral("Error"),
                        QString::fromStdString(StatusText(code)));
  QMessageBox::information(nullptr, QStringLiteral("Debug"),
                           QStringLiteral("%1 %2").arg(QString::fromUtf8(source)).arg(line));
}

ErrorReport& WindowErrorReport() {
  static MessageBoxErrorReport report;
  return report;
}

}  // namespace ambrine
