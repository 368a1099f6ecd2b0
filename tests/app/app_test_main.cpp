// One QApplication and one web engine for every window test.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/web/form_scheme.h"

int main(int argc, char** argv) {
  ambrine::RegisterFormScheme();
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
