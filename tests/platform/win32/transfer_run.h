// The Windows transfer tests' set-up and checks, and the requests they run (see
// tests/platform/transfer_requests.h).
#ifndef KESTROVA_TESTS_PLATFORM_WIN32_TRANSFER_RUN_H_
#define KESTROVA_TESTS_PLATFORM_WIN32_TRANSFER_RUN_H_

#include <cstddef>
#include <string>

#include "platform/win32/wininet_transfer_control.h"
#include "tests/platform/transfer_requests.h"

namespace kestrova::testing {

// Options for controls that reach the loopback server directly, whatever proxy the system names.
win32::WinInetTransferControl::Options DirectOptions();

// The first index at which body differs from the pattern of the large bodies, or body's size when
// it matches throughout.
std::size_t FirstMismatch(const std::string& body);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_WIN32_TRANSFER_RUN_H_
