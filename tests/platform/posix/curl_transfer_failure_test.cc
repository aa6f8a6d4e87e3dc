// Requests that fail: the control reports kError after the states that tell where it failed, and
// raises nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/posix/curl_transfer_control.h"
#include "platform/posix/poll_event_pump.h"
#include "tests/platform/posix/raw_http_server.h"
#include "tests/platform/posix/test_http_server.h"
#include "tests/platform/posix/transfer_test_support.h"

namespace kestrova {
namespace {

using testing::RawHttpServer;
using testing::RunRequest;

// A name under .invalid never resolves. Its first label is longer than the 63 bytes a DNS name
// may have, so the system's resolver fails before it builds a query: nothing leaves the machine.
std::string UnresolvableUrl() { return "http://" + std::string(64, 'k') + ".invalid/kestrova"; }

class CurlTransferFailureTest : public ::testing::Test {
 protected:
  CurlTransferFailureTest() { testing::BypassProxies(); }

  PollEventPump pump_;
};

struct FailureCase {
  const char* what;
  std::string url;
  int timeout_seconds;
  std::vector<int> states;
  std::string body;  // what arrived before the failure
};

TEST_F(CurlTransferFailureTest, EndsInErrorAfterTheLastStateReached) {
  testing::TestHttpServer server;
  testing::RefusingPort refusing;
  RawHttpServer silent_reset("", RawHttpServer::Ending::kReset);
  const std::string partial(1000, 'p');
  RawHttpServer reset_in_body("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + partial,
                              RawHttpServer::Ending::kReset, std::chrono::milliseconds{300});
  const std::vector<FailureCase> cases = {
      {"a name that does not resolve", UnresolvableUrl(), 30, {1, 11}, ""},
      {"a refused connection", refusing.Url("/kestrova"), 30, {1, 2, 3, 11}, ""},
      {"an answer slower than the time-out", server.Url("/slow"), 1, {1, 2, 3, 4, 5, 6, 11}, ""},
      {"a reset instead of an answer",
       silent_reset.Url("/kestrova"),
       30,
       {1, 2, 3, 4, 5, 6, 11},
       ""},
      {"a reset in the body",
       reset_in_body.Url("/kestrova"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       partial},
      {"a body cut short",
       server.Url("/truncated"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       std::string(testing::kTruncatedSent, 'x')},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    CurlTransferControl control(pump_);
    control.SetRequestTimeout(c.timeout_seconds);
    const auto outcome = RunRequest(control, pump_, c.url);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, c.states);
    EXPECT_EQ(outcome.states_at_wait_end, c.states);
    EXPECT_EQ(outcome.body, c.body);
    EXPECT_FALSE(control.failure_text().empty());
    EXPECT_FALSE(control.StillExecuting());
  }
}

TEST_F(CurlTransferFailureTest, TooManyRedirectsEndInError) {
  testing::TestHttpServer server;
  CurlTransferControl control(pump_);
  const auto outcome = RunRequest(control, pump_, server.Url("/loop"));
  ASSERT_TRUE(outcome.stopped);
  ASSERT_FALSE(outcome.states.empty());
  EXPECT_EQ(outcome.states.back(), 11);
  EXPECT_EQ(std::count(outcome.states.begin(), outcome.states.end(), 12), 0);
}

TEST_F(CurlTransferFailureTest, AControlWorksAgainAfterAFailure) {
  testing::TestHttpServer server;
  CurlTransferControl control(pump_);
  control.SetRequestTimeout(1);
  const auto failed = RunRequest(control, pump_, server.Url("/slow"));
  ASSERT_EQ(failed.states.back(), 11);
  server.ReleaseSlowAnswers();
  const auto next = RunRequest(control, pump_, server.Url("/ok"));
  // The timed-out connection was given up: the next request opens its own.
  EXPECT_EQ(next.states, testing::kFreshConnectionStates);
  EXPECT_EQ(next.body, testing::kOkBody);
  EXPECT_TRUE(control.failure_text().empty());
}

TEST_F(CurlTransferFailureTest, AFailureWhileTheReaderDrainsTheBodyComesFromGetChunk) {
  // More than the buffer holds, then the end of the connection long before the promised length.
  const std::string sent(200 * 1024, 'b');
  RawHttpServer cut("HTTP/1.1 200 OK\r\nContent-Length: 300000\r\n\r\n" + sent,
                    RawHttpServer::Ending::kClose);
  CurlTransferControl control(pump_);
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(cut.Url("/kestrova/big.htm"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  // The wait ended on a full buffer, before the failure.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_GT(control.buffered_body_size(), 0u);
  EXPECT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  const std::string body = testing::ReadBody(control);
  EXPECT_EQ(body.size(), sent.size());
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11}));
  EXPECT_EQ(control.GetChunk(1024), "");
}

}  // namespace
}  // namespace kestrova
