// What every Windows test runs in: a single-threaded COM apartment, and the stand-in
// AddInDesignerObjects library registered the way an Office installation registers its own.
#ifndef KESTROVA_TESTS_ADDIN_COM_COM_TEST_ENVIRONMENT_H_
#define KESTROVA_TESTS_ADDIN_COM_COM_TEST_ENVIRONMENT_H_

#include <gtest/gtest.h>

namespace kestrova::testing {

class ComTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_COM_TEST_ENVIRONMENT_H_
