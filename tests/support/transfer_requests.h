// The publish driver's way of using a transfer control, with bounds, for the tests of every
// transfer control: start a request, pump while it executes, read the header and the chunks until
// an empty one.
#ifndef KESTROVA_TESTS_SUPPORT_TRANSFER_REQUESTS_H_
#define KESTROVA_TESTS_SUPPORT_TRANSFER_REQUESTS_H_

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pump/event_pump.h"
#include "platform/transfer/transfer_control.h"

namespace kestrova::testing {

// The states of a successful request on a new connection.
inline const std::vector<int> kFreshConnectionStates = {1, 2, 3, 4, 5, 6, 7, 8, 12};

// Pumps while the control executes, as the driver waits, but for limit at most. Returns whether
// the control stopped executing.
bool WaitWhileExecuting(TransferControl& control, EventPump& pump,
                        std::chrono::milliseconds limit = std::chrono::seconds{20});

// Reads chunks of chunk_size until an empty one (or max_chunks) and returns them joined.
std::string ReadBody(TransferControl& control, std::size_t chunk_size = 1024,
                     std::size_t max_chunks = 1 << 20);

// What one request produced.
struct RequestOutcome {
  bool stopped = false;                 // the wait ended within its bound
  std::vector<int> states;              // every state delivered, in order
  std::vector<int> states_at_wait_end;  // those delivered before the wait ended
  std::string header;
  std::string body;
};

// Sets the address, executes, waits, then reads header and body (the body only when the wait
// ended within its bound); records the states through
// the control's state callback (replacing any other).
RequestOutcome RunRequest(TransferControl& control, EventPump& pump, std::string_view url,
                          std::string_view operation = "get");

// The header text before its first CR.
std::string StatusLine(std::string_view header);

// The first index at which body differs from the pattern of the large bodies (LargeBodyByte), or
// body's size when it matches throughout.
std::size_t FirstMismatch(std::string_view body);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TRANSFER_REQUESTS_H_
