// One QApplication and one web engine for every window test; and the
// child process of the network test.
#include <gtest/gtest.h>

#include <QApplication>
#include <string>

#include "app/web/form_scheme.h"
#include "app/window/qt_translations.h"

namespace ambrine::test {
int RunNetworkChild(const char* pagePath);
}

int main(int argc, char** argv) {
  ambrine::RegisterFormScheme();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ambrine::InstallQtTranslations(app);  // as the program's main() does
  // --network-child PAGE: shows PAGE as the program would, with its socket
  // filter, for a test whose listeners live in the parent.
  if (argc == 3 && std::string(argv[1]) == "--network-child")
    return ambrine::test::RunNetworkChild(argv[2]);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
