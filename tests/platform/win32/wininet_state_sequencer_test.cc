// Notification orders that the loopback tests under Wine do not produce, as Windows' WinINet
// sends them.
#include "platform/win32/wininet_state_sequencer.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <vector>

namespace kestrova::win32 {
namespace {

// One step of a request: a notification, the end of the header, or the end of the request.
struct Step {
  enum Kind { kStatus, kHeaderComplete, kSucceeded, kFailed } kind;
  DWORD status = 0;
  DWORD count = 0;
};

Step Status(DWORD status, DWORD count = 0) { return Step{Step::kStatus, status, count}; }
const Step kHeader{Step::kHeaderComplete};
const Step kSucceeded{Step::kSucceeded};
const Step kFailed{Step::kFailed};

std::vector<int> StatesOf(const std::vector<Step>& steps) {
  WinInetStateSequencer sequencer;
  sequencer.StartRequest();
  for (const Step& step : steps) {
    switch (step.kind) {
      case Step::kStatus:
        sequencer.OnStatus(step.status, step.count);
        break;
      case Step::kHeaderComplete:
        sequencer.OnHeaderComplete();
        break;
      case Step::kSucceeded:
        sequencer.OnFinished(true);
        break;
      case Step::kFailed:
        sequencer.OnFinished(false);
        break;
    }
  }
  std::vector<int> states;
  while (const auto state = sequencer.Next()) states.push_back(*state);
  return states;
}

struct SequenceCase {
  const char* what;
  std::vector<Step> steps;
  std::vector<int> states;
};

TEST(WinInetStateSequencerTest, TurnsNotificationOrdersIntoStates) {
  const std::vector<SequenceCase> cases = {
      {"a resend on a fresh connection after the kept-alive one was found closed",
       {Status(INTERNET_STATUS_SENDING_REQUEST), Status(INTERNET_STATUS_REQUEST_SENT),
        Status(INTERNET_STATUS_RECEIVING_RESPONSE), Status(INTERNET_STATUS_CLOSING_CONNECTION),
        Status(INTERNET_STATUS_CONNECTION_CLOSED), Status(INTERNET_STATUS_CONNECTING_TO_SERVER),
        Status(INTERNET_STATUS_CONNECTED_TO_SERVER), Status(INTERNET_STATUS_SENDING_REQUEST),
        Status(INTERNET_STATUS_REQUEST_SENT), Status(INTERNET_STATUS_RESPONSE_RECEIVED, 200),
        kHeader, kSucceeded},
       {5, 6, 1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"the header in several receives, and a receive of nothing",
       {Status(INTERNET_STATUS_RESOLVING_NAME), Status(INTERNET_STATUS_NAME_RESOLVED),
        Status(INTERNET_STATUS_CONNECTING_TO_SERVER), Status(INTERNET_STATUS_CONNECTED_TO_SERVER),
        Status(INTERNET_STATUS_SENDING_REQUEST), Status(INTERNET_STATUS_REQUEST_SENT),
        Status(INTERNET_STATUS_RECEIVING_RESPONSE), Status(INTERNET_STATUS_RESPONSE_RECEIVED, 0),
        Status(INTERNET_STATUS_RECEIVING_RESPONSE), Status(INTERNET_STATUS_RESPONSE_RECEIVED, 40),
        Status(INTERNET_STATUS_RESPONSE_RECEIVED, 60), kHeader,
        Status(INTERNET_STATUS_RESPONSE_RECEIVED, 900), kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"a redirect to another host",
       {Status(INTERNET_STATUS_RESOLVING_NAME), Status(INTERNET_STATUS_NAME_RESOLVED),
        Status(INTERNET_STATUS_CONNECTING_TO_SERVER), Status(INTERNET_STATUS_CONNECTED_TO_SERVER),
        Status(INTERNET_STATUS_SENDING_REQUEST), Status(INTERNET_STATUS_REQUEST_SENT),
        Status(INTERNET_STATUS_RESPONSE_RECEIVED, 120), Status(INTERNET_STATUS_REDIRECT),
        Status(INTERNET_STATUS_RESOLVING_NAME), Status(INTERNET_STATUS_NAME_RESOLVED),
        Status(INTERNET_STATUS_CONNECTING_TO_SERVER), Status(INTERNET_STATUS_CONNECTED_TO_SERVER),
        Status(INTERNET_STATUS_SENDING_REQUEST), Status(INTERNET_STATUS_REQUEST_SENT),
        Status(INTERNET_STATUS_RESPONSE_RECEIVED, 80), kHeader, kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"a redirect without its own notification, on the kept-alive connection",
       {Status(INTERNET_STATUS_SENDING_REQUEST), Status(INTERNET_STATUS_REQUEST_SENT),
        Status(INTERNET_STATUS_RESPONSE_RECEIVED, 120), Status(INTERNET_STATUS_SENDING_REQUEST),
        Status(INTERNET_STATUS_REQUEST_SENT), Status(INTERNET_STATUS_RESPONSE_RECEIVED, 80),
        kHeader, kSucceeded},
       {5, 6, 7, 8, 5, 6, 7, 8, 12}},
      {"a connection that fails its secure handshake",
       {Status(INTERNET_STATUS_RESOLVING_NAME), Status(INTERNET_STATUS_NAME_RESOLVED),
        Status(INTERNET_STATUS_CONNECTING_TO_SERVER), Status(INTERNET_STATUS_CONNECTED_TO_SERVER),
        Status(INTERNET_STATUS_CLOSING_CONNECTION), Status(INTERNET_STATUS_CONNECTION_CLOSED),
        kFailed},
       {1, 2, 3, 11}},
      {"a failure before any request went out ends without a header",
       {Status(INTERNET_STATUS_CONNECTING_TO_SERVER), kHeader, kFailed},
       {1, 2, 3, 11}},
  };
  for (const SequenceCase& c : cases) {
    EXPECT_EQ(StatesOf(c.steps), c.states) << c.what;
  }
}

}  // namespace
}  // namespace kestrova::win32
