// gtest main; "--make-keys FOLDER" instead makes the shared key pairs once
// for a whole CTest run.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include "shared_keys.h"

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--make-keys") == 0) {
    try {
      ambrine::test::MakeSharedKeys(argv[2]);
    } catch (const std::exception& e) {
      std::cerr << "making the test keys failed: " << e.what() << '\n';
      return 1;
    }
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
