// Starts Ambrine: the main window with the form (and the leaf named on the
// command line, if any), or nothing when the user declines to make a key
// pair on first run.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/web/form_scheme.h"
#include "app/window/launch_arguments.h"
#include "app/window/main_frame.h"
#include "app/window/qt_translations.h"
#include "app/window/termination_signals.h"
#include "base/core_dumps.h"
#include "base/folders.h"
#include "base/network_sockets.h"
#include "resources/toolbar_images.h"

int main(int argc, char** argv) {
  // Before the web engine starts its helper processes, so they inherit it.
  ambrine::DisableCoreDumps();
  // The form scheme must be known to the web engine before it starts.
  ambrine::RegisterFormScheme();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  // Qt has taken out the arguments it understands.
  const ambrine::LaunchArguments launch = ambrine::ParseLaunchArguments(app.arguments());
  if (!launch.error.isEmpty()) {
    std::fprintf(stderr, "%s\n", launch.error.toLocal8Bit().constData());
    return 2;
  }
  // The display connection is open: from here on neither the program nor
  // the web engine it starts can open a network socket.
  if (ambrine::ForbidNetworkSockets() != ambrine::kOk)
    std::fputs("ambrine: the kernel refused the socket filter\n", stderr);
  QApplication::setApplicationName(QStringLiteral("Ambrine"));
  ambrine::InstallQtTranslations(app);
  QApplication::setWindowIcon(ambrine::ProgramIcon());

  ambrine::QuitOnTerminationSignals();
  ambrine::MainFrame frame;
  if (!frame.Start(ambrine::ProgramFolder(), ambrine::CurrentEnvironment(), launch.leaf)) return 0;
  frame.show();
  // Closing the window, or a termination signal, ends the program normally.
  return app.exec() == 0 ? 0 : 1;
}
