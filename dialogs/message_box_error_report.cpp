#include "dialogs/message_box_error_report.h"

#include <QMessageBox>
#include <QString>

#include "leaf/size_limits.h"

namespace ambrine {

namespace {

// A line under the system's text where that text alone does not tell the
// user what went wrong.
QString Explanation(const char* source, int line) {
  const ReportPoint* point = FindReportPoint(source, line);
  if (point == &report::kDocumentTooLarge) {
    return QStringLiteral("ページが大きすぎるため開けません (上限 %1 MiB)。")
        .arg(kMaxDocumentBytes >> 20);
  }
  if (point == &report::kFormTooLarge) {
    return QStringLiteral("フォームの入力内容が大きすぎるため開けません (上限 %1 MiB)。")
        .arg(kMaxStringBytes >> 20);
  }
  return {};
}

}  // namespace

void MessageBoxErrorReport::Report(Result code, const char* source, int line) {
  QString text = QString::fromStdString(ResultText(code));
  const QString explanation = Explanation(source, line);
  if (!explanation.isEmpty()) text += QStringLiteral("\n") + explanation;
  // No owner: a failure may be reported while no window is up yet.
  QMessageBox::critical(nullptr, QStringLiteral("Error"), text);
  QMessageBox::information(nullptr, QStringLiteral("Debug"),
                           QStringLiteral("%1 %2").arg(QString::fromUtf8(source)).arg(line));
}

ErrorReport& WindowErrorReport() {
  static MessageBoxErrorReport report;
  return report;
}

}  // namespace ambrine
