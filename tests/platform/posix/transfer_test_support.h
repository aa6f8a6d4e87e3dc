// The Linux transfer tests' set-up, and the requests they run (see transfer_requests.h).
#ifndef KESTROVA_TESTS_PLATFORM_POSIX_TRANSFER_TEST_SUPPORT_H_
#define KESTROVA_TESTS_PLATFORM_POSIX_TRANSFER_TEST_SUPPORT_H_

#include "tests/platform/transfer_requests.h"

namespace kestrova::testing {

// Keeps libcurl off any proxy the environment names, so test traffic stays on loopback.
void BypassProxies();

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_POSIX_TRANSFER_TEST_SUPPORT_H_
