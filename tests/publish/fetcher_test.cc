// The fetcher, the one owner of a publish's requests: the failure a request's states select,
// raised from the call that waits for it. Which states each kind of failure passes through is the
// transfer contract's to show; the status window watching real requests, the publish tests'.
#include "publish/fetcher.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/posix/posix_file_system.h"
#include "platform/pump/posix/poll_event_pump.h"
#include "tests/support/fake_transfer_control.h"
#include "tests/support/publish_fixture.h"

namespace kestrova {
namespace {

// What a request raised when it was waited for: its failure, or number 0 for none.
struct Raised {
  std::int32_t number = 0;
  std::string description;
  std::string source;
  std::string address;
};

class FetcherTest : public ::testing::Test {
 protected:
  // Starts a request on Inet1, fires states and waits for it.
  Raised Request(Fetcher& fetcher, const std::vector<int>& states) {
    fetcher.Start(0, "http://127.0.0.1/kestrova", "head");
    for (const int state : states) inet_->Fire(state);
    try {
      fetcher.Wait(0);
    } catch (const Failure& failure) {
      return {failure.number(), failure.description(), failure.source(), failure.address()};
    }
    return {};
  }

  PollEventPump pump_;
  PosixFileSystem files_;
  testing::RecordingBrowser browser_;
  testing::ScriptedUi ui_;
  LastError last_error_;
  // Every control the fetcher makes is one the test fires states through.
  PublishServices services_{ui_, browser_, pump_, files_, last_error_, [this] {
                              auto control = std::make_unique<testing::FakeTransferControl>();
                              inet_ = control.get();
                              return control;
                            }};
  PublishSettings settings_;
  testing::FakeTransferControl* inet_ = nullptr;
};

TEST_F(FetcherTest, AFailedRequestRaisesTheFailureItsLastStateSelects) {
  const char* const kCommunicating = "Error communicating with the remote server.";
  struct Case {
    const char* what;
    std::vector<int> states;
    std::int32_t number;
    const char* description;
  };
  const std::vector<Case> cases = {
      {"an error as the first state", {11}, errCommunicating, kCommunicating},
      {"after state 1", {1, 11}, errDnsNameNotFound, "DNS error - name not found"},
      {"after state 2", {1, 2, 11}, errCommunicating, kCommunicating},
      {"after state 3", {3, 11}, errServerNotResponding, "Server not responding"},
      {"after state 4 to 7", {4, 5, 6, 7, 11}, errCommunicating, kCommunicating},
      {"after state 8", {8, 11}, errReceivingData, "Error receiving data from server"},
      {"after state 9", {9, 11}, errCommunicating, kCommunicating},
      {"after state 10", {10, 11}, errCommunicating, kCommunicating},
      {"states 11 and 12 keep the last state",
       {3, 11, 12, 11},
       errServerNotResponding,
       "Server not responding"},
      {"state 0 resets the last state", {1, 0, 11}, errCommunicating, kCommunicating},
      {"later states never clear the failure",
       {8, 11, 0, 5, 8, 12},
       errReceivingData,
       "Error receiving data from server"},
      {"an unknown state", {4, 13}, errUnknownTransferState, "Unknown Error"},
      {"a negative unknown state", {4, -1}, errUnknownTransferState, "Unknown Error"},
      {"the largest unknown state", {4, 32767}, errUnknownTransferState, "Unknown Error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fetcher fetcher(services_, settings_, [] {});
    const Raised raised = Request(fetcher, c.states);
    EXPECT_EQ(raised.number, c.number);
    EXPECT_EQ(raised.description, c.description);
    EXPECT_EQ(raised.address, "http://127.0.0.1/kestrova");
    EXPECT_EQ(raised.source, "Inet1");
  }
  EXPECT_EQ(static_cast<std::uint32_t>(errDnsNameNotFound), 0x8004021Du);
  EXPECT_EQ(static_cast<std::uint32_t>(errServerNotResponding), 0x800401BBu);
  EXPECT_EQ(static_cast<std::uint32_t>(errReceivingData), 0x800401C0u);
  EXPECT_EQ(static_cast<std::uint32_t>(errCommunicating), 0x80040226u);
  EXPECT_EQ(static_cast<std::uint32_t>(errUnknownTransferState), 0x80040000u);
}

TEST_F(FetcherTest, TheLastStateOfAnEarlierRequestSelectsAndAFailureIsTheRequestsOwn) {
  Fetcher fetcher(services_, settings_, [] {});
  EXPECT_EQ(Request(fetcher, {1, 2, 3, 11}).number, errServerNotResponding);
  // The next request on the same control starts clean, and one that fails before reporting any
  // state of its own is judged by the last state of the one before.
  EXPECT_EQ(Request(fetcher, {}).number, 0);
  EXPECT_EQ(Request(fetcher, {11}).number, errServerNotResponding);
}

// A request for which the server keeps taking connections without answering fails once they
// pass the bound, long before its time-out; one whose earlier attempts waited the time-out fails
// at once.
TEST_F(FetcherTest, ARequestFailsOnceItsUnansweredConnectionsPassTheBound) {
  Fetcher fetcher(services_, settings_, [] {});
  fetcher.Start(0, "http://127.0.0.1/kestrova", "get");
  inet_->busy_polls = 1;
  inet_->opened = 2 * Fetcher::kUnansweredConnectionsEach + 2;  // one connection counts as two
  EXPECT_THROW(fetcher.WaitForAny(), Failure);
  // The time-out counts from the first attempt.
  inet_->opened = 0;
  inet_->busy_polls = 1;
  fetcher.Start(0, "http://127.0.0.1/kestrova", "get",
                {1, std::chrono::seconds{settings_.request_timeout_seconds}});
  EXPECT_THROW(fetcher.WaitForAny(), Failure);
}

}  // namespace
}  // namespace kestrova
