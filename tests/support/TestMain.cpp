// The main of test programs that start children of themselves (tests/support/ChildProcess.h):
// a child body when the arguments name one, else GoogleTest.
#include <gtest/gtest.h>

#include "tests/support/ChildProcess.h"

int main(int argc, char** argv) {
  if (const std::optional<int> result = testsupport::RunChildIfAsked(argc, argv)) return *result;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
