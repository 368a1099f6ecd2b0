// One QApplication per test binary, a scratch folder with its own TMPDIR,
// and --make-keys FOLDER to make the run's key pairs once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <string>

#include "app/web/form_scheme.h"
#include "flows/flow_env.h"
#include "flows/modal_script.h"
#include "gpg/child_process.h"

int main(int argc, char** argv) {
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
    testing::InitGoogleTest(&argc, argv);
    ambrine::test::StartModalWatchdog();
    rc = RUN_ALL_TESTS();
  }
  ambrine::test::TearDownScratch();
  return rc;
}
