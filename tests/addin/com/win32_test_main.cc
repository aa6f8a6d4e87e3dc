// The Windows tests' main: GoogleTest inside the COM test environment.
#include <gtest/gtest.h>

#include "tests/addin/com/com_test_environment.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new kestrova::testing::ComTestEnvironment);
  return RUN_ALL_TESTS();
}
