#include "app/window/launch_arguments.h"

#include <QFileInfo>
#include <QUrl>

namespace ambrine {

namespace {

QString LocalPath(const QString& argument) {
  if (argument.startsWith(QLatin1String("file:"))) {
    const QUrl url(argument);
    if (url.isLocalFile()) return QFileInfo(url.toLocalFile()).absoluteFilePath();
  }
  return QFileInfo(argument).absoluteFilePath();
}

}  // namespace

LaunchArguments ParseLaunchArguments(const QStringList& arguments) {
  LaunchArguments launch;
  QStringList leaves;
  bool namesOnly = false;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    if (!namesOnly && argument == QLatin1String("--")) {
      namesOnly = true;
    } else if (!namesOnly && argument == QLatin1String("--webEngineArgs")) {
      break;
    } else if (!namesOnly && argument.startsWith(QLatin1Char('-'))) {
      continue;  // a switch of the web engine's
    } else if (!argument.isEmpty()) {
      leaves << argument;
    }
  }
  if (leaves.size() > 1) {
    launch.error = QStringLiteral("ambrine: one leaf file at a time\nusage: ambrine [LEAF]");
  } else if (leaves.size() == 1) {
    launch.leaf = LocalPath(leaves.front());
  }
  return launch;
}

}  // namespace ambrine
