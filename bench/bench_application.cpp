#include "bench/bench_application.h"

#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "app/web/form_scheme.h"
#include "base/core_dumps.h"
#include "base/network_sockets.h"
#include "flows/flow_env.h"
#include "resources/toolbar_images.h"

namespace ambrine::bench {

int RunBenchApplication(const char* driverName, const std::string& folderName,
                        const std::string& keysHome, char* argv0,
                        const std::function<int(const std::string& program)>& drive) {
  DisableCoreDumps();
  test::SetUpScratch();
  const std::string program = test::MakeProgramFolder(folderName, keysHome);
  if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
  int rc = 0;
  {
    RegisterFormScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    QApplication app(qtArgc, qtArgv);
    if (ForbidNetworkSockets() != kOk) {
      std::fprintf(stderr, "%s: the kernel refused the socket filter\n", driverName);
    }
    QApplication::setApplicationName(QStringLiteral("Ambrine"));
    QApplication::setWindowIcon(ProgramIcon());
    rc = drive(program);
  }
  test::TearDownScratch();
  return rc;
}

}  // namespace ambrine::bench
