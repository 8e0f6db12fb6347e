// main() for test programs that start themselves again as a second process.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

int main(int argc, char** argv) {
  int exit_code = 0;
  if (lz::test::DispatchChild(argc, argv, exit_code)) return exit_code;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
