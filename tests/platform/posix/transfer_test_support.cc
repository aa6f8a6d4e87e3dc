#include "tests/platform/posix/transfer_test_support.h"

#include <cstdlib>

namespace kestrova::testing {

void BypassProxies() {
  ::setenv("no_proxy", "*", 1);
  ::setenv("NO_PROXY", "*", 1);
}

}  // namespace kestrova::testing
