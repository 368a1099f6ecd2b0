// One QApplication per test binary, a scratch folder with its own TMPDIR,
// --make-keys FOLDER to make the run's key pairs once, and
// --termination-child READY for the termination signal test's child.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <string>

#include "app/web/form_scheme.h"
#include "app/window/qt_translations.h"
#include "base/core_dumps.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/child_process.h"

namespace ambrine {
int RunTerminationChild(int argc, char** argv, const std::string& readyFile);
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--termination-child") {
    ambrine::DisableCoreDumps();  // as the program's main() does
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    ambrine::RegisterFormScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return ambrine::RunTerminationChild(argc, argv, argv[2]);
  }
  if (argc == 3 && std::string(argv[1]) == "--make-keys") {
    ambrine::test::MakeFlowKeys(argv[2]);
    return 0;
  }
  ambrine::IgnoreBrokenPipeSignal();  // a test may write to a pipe whose reader is gone
  ambrine::test::SetUpScratch();
  // The web engine's sandbox does not run as root.
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  int rc = 0;
  {
    // The form scheme must be known to the web engine before it starts.
    ambrine::RegisterFormScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ambrine::InstallQtTranslations(app);  // as the program's main() does
    testing::InitGoogleTest(&argc, argv);
    ambrine::test::StartModalWatchdog();
    rc = RUN_ALL_TESTS();
  }
  ambrine::test::TearDownScratch();
  return rc;
}
