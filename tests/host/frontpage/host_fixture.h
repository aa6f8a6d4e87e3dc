// The fixture of the host layer tests: the stand-in object model and a FrontPageApplication over
// its application object, with the reference checks every test makes.
#ifndef KESTROVA_TESTS_HOST_FRONTPAGE_HOST_FIXTURE_H_
#define KESTROVA_TESTS_HOST_FRONTPAGE_HOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/frontpage/frontpage_application.h"
#include "tests/host/frontpage/stand_in_host.h"

namespace kestrova::testing {

class HostFixture : public ::testing::Test {
 protected:
  HostFixture();
  // Drops the application and checks that every reference handed out came back.
  void TearDown() override;

  // Checks that the only reference still out is the application's own (held by app_).
  void ExpectOnlyApplicationHeld() const;

  StandInHost host_;
  std::unique_ptr<host::FrontPageApplication> app_;
};

// The RecordedArguments for a VT_ERROR "missing" argument and other exact types, for comparison.
RecordedArgument Missing();
RecordedArgument I2(int value);
RecordedArgument I4(long value);
RecordedArgument Bool(bool value);
RecordedArgument Bstr(std::wstring value);

// Prints an argument as "VT 8 \"text\"" in failure messages (non-ASCII characters as '?').
void PrintTo(const RecordedArgument& argument, std::ostream* out);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_HOST_FRONTPAGE_HOST_FIXTURE_H_
