// Event orders that the loopback tests do not produce, as the libraries report them: WinINet on
// Windows, and libcurl with informational answers or names from its cache.
#include "platform/transfer/transfer_state_sequencer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrova {
namespace {

// One event of a request, named by the sequencer's call it makes.
enum class Event {
  kResolving,
  kResolved,
  kConnecting,
  kRequesting,
  kRequestSent,
  kResponseBytes,
  kInformationalHeader,
  kHeader,
  kSucceeded,
  kFailed,
};

std::vector<int> StatesOf(const std::vector<Event>& events) {
  TransferStateSequencer sequencer;
  sequencer.StartRequest();
  for (const Event event : events) {
    switch (event) {
      case Event::kResolving:
        sequencer.OnResolving();
        break;
      case Event::kResolved:
        sequencer.OnResolved();
        break;
      case Event::kConnecting:
        sequencer.OnConnecting();
        break;
      case Event::kRequesting:
        sequencer.OnRequesting();
        break;
      case Event::kRequestSent:
        sequencer.OnRequestSent();
        break;
      case Event::kResponseBytes:
        sequencer.OnResponseBytes();
        break;
      case Event::kInformationalHeader:
        sequencer.OnHeaderComplete(true);
        break;
      case Event::kHeader:
        sequencer.OnHeaderComplete();
        break;
      case Event::kSucceeded:
        sequencer.OnFinished(true);
        break;
      case Event::kFailed:
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
  std::vector<Event> events;
  std::vector<int> states;
};

TEST(TransferStateSequencerTest, TurnsEventOrdersIntoStates) {
  using enum Event;
  const std::vector<SequenceCase> cases = {
      {"a resend on a fresh connection after the kept-alive one was found closed",
       {kRequesting, kRequestSent, kConnecting, kRequesting, kRequestSent, kResponseBytes, kHeader,
        kSucceeded},
       {5, 6, 1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"the header in several receives",
       {kResolving, kResolved, kConnecting, kRequesting, kRequestSent, kResponseBytes,
        kResponseBytes, kHeader, kResponseBytes, kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"a redirect to another host",
       {kResolving, kResolved, kConnecting, kRequesting, kRequestSent, kResponseBytes, kHeader,
        kResolving, kResolved, kConnecting, kRequesting, kRequestSent, kResponseBytes, kHeader,
        kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"a redirect without an event of its own, on the kept-alive connection",
       {kRequesting, kRequestSent, kResponseBytes, kRequesting, kRequestSent, kResponseBytes,
        kHeader, kSucceeded},
       {5, 6, 7, 8, 5, 6, 7, 8, 12}},
      {"a connection that fails its secure handshake",
       {kResolving, kResolved, kConnecting, kFailed},
       {1, 2, 3, 11}},
      {"a failure before any request went out ends without a header",
       {kConnecting, kHeader, kFailed},
       {1, 2, 3, 11}},
      {"a name from the cache, and a second socket of the same attempt",
       {kConnecting, kConnecting, kRequesting, kRequestSent, kResponseBytes, kHeader, kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 12}},
      {"an informational answer before the final one",
       {kResolving, kConnecting, kRequesting, kRequestSent, kResponseBytes, kInformationalHeader,
        kResponseBytes, kHeader, kSucceeded},
       {1, 2, 3, 4, 5, 6, 7, 8, 12}},
  };
  for (const SequenceCase& c : cases) {
    EXPECT_EQ(StatesOf(c.events), c.states) << c.what;
  }
}

}  // namespace
}  // namespace kestrova
