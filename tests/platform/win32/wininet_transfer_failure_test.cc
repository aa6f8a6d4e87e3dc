// Requests that fail: the control reports kError after the states that tell where it failed, and
// raises nothing.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/win32_event_pump.h"
#include "platform/win32/wininet_transfer_control.h"
#include "tests/platform/win32/loopback_http_server.h"
#include "tests/platform/win32/transfer_run.h"

namespace kestrova::win32 {
namespace {

using testing::DirectOptions;
using testing::RunRequest;

// A name under .invalid never resolves. Its first label is longer than the 63 bytes a DNS name may
// have, so the resolver fails before it builds a query: nothing leaves the machine.
std::string UnresolvableUrl() { return "http://" + std::string(64, 'k') + ".invalid/kestrova"; }

// A port of 127.0.0.1 on which nothing accepts connections, held for the life of the object: a
// socket bound to it that never listens, so connecting is refused.
class RefusingPort {
 public:
  RefusingPort() {
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      closesocket(socket_);
      throw std::runtime_error("bind failed");
    }
    port_ = ntohs(address.sin_port);
  }
  ~RefusingPort() { closesocket(socket_); }
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  std::string Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
};

class WinInetTransferFailureTest : public ::testing::Test {
 protected:
  testing::LoopbackHttpServer server_;  // also starts Winsock for RefusingPort
  Win32EventPump pump_;
};

struct FailureCase {
  const char* what;
  std::string url;
  int timeout_seconds;
  std::vector<int> states;
  std::string body;  // what arrived before the failure
};

TEST_F(WinInetTransferFailureTest, EndsInErrorAfterTheLastStateReached) {
  const RefusingPort refusing;
  const std::vector<FailureCase> cases = {
      {"a name that does not resolve", UnresolvableUrl(), 30, {1, 11}, ""},
      {"a refused connection", refusing.Url("/kestrova"), 30, {1, 2, 3, 11}, ""},
      {"an answer slower than the time-out", server_.Url("/slow"), 1, {1, 2, 3, 4, 5, 6, 11}, ""},
      {"a reset instead of an answer", server_.Url("/reset"), 30, {1, 2, 3, 4, 5, 6, 11}, ""},
      {"a reset in the body",
       server_.Url("/reset-in-body"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       std::string(testing::kResetPartial, 'p')},
      {"a body cut short",
       server_.Url("/truncated"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       std::string(testing::kTruncatedSent, 'x')},
      {"https to a server that does not speak it",
       server_.Url("/ok", "https"),
       30,
       {1, 2, 3, 11},
       ""},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    WinInetTransferControl control(pump_, DirectOptions());
    control.SetRequestTimeout(c.timeout_seconds);
    const auto outcome = RunRequest(control, pump_, c.url);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, c.states);
    EXPECT_EQ(outcome.states_at_wait_end, c.states);
    EXPECT_EQ(outcome.body, c.body);
    EXPECT_NE(control.failure_code(), 0u);
    EXPECT_FALSE(control.failure_text().empty());
    EXPECT_FALSE(control.StillExecuting());
  }
}

TEST_F(WinInetTransferFailureTest, TooManyRedirectsEndInError) {
  WinInetTransferControl::Options options = DirectOptions();
  options.max_redirects = 3;
  WinInetTransferControl control(pump_, options);
  const auto outcome = RunRequest(control, pump_, server_.Url("/loop"));
  ASSERT_TRUE(outcome.stopped);
  ASSERT_FALSE(outcome.states.empty());
  EXPECT_EQ(outcome.states.back(), 11);
  EXPECT_EQ(std::count(outcome.states.begin(), outcome.states.end(), 12), 0);
  // The first request and three redirects were followed, and no more.
  EXPECT_EQ(std::count(outcome.states.begin(), outcome.states.end(), 5), 4);
  EXPECT_EQ(control.failure_code(), static_cast<DWORD>(ERROR_HTTP_REDIRECT_FAILED));
}

TEST_F(WinInetTransferFailureTest, AControlWorksAgainAfterAFailure) {
  WinInetTransferControl control(pump_, DirectOptions());
  control.SetRequestTimeout(1);
  const auto failed = RunRequest(control, pump_, server_.Url("/slow"));
  ASSERT_FALSE(failed.states.empty());
  ASSERT_EQ(failed.states.back(), 11);
  EXPECT_NE(control.failure_code(),
            0u);  // WinINet's time-out or the control's, whichever ends first
  server_.ReleaseSlowAnswers();
  const auto next = RunRequest(control, pump_, server_.Url("/ok"));
  // The timed-out connection was given up: the next request opens its own.
  EXPECT_EQ(next.states, testing::kFreshConnectionStates);
  EXPECT_EQ(next.body, testing::kOkBody);
  EXPECT_TRUE(control.failure_text().empty());
  EXPECT_EQ(control.failure_code(), 0u);
}

TEST_F(WinInetTransferFailureTest, AFailureWhileTheReaderDrainsTheBodyComesFromGetChunk) {
  // More than the buffer holds, then the end of the connection long before the promised length.
  WinInetTransferControl control(pump_, DirectOptions());
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server_.Url("/cut-large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  // The wait ended on a full buffer, before the failure.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(control.buffered_body_size(), control.body_buffer_capacity());
  const std::string body = testing::ReadBody(control);
  EXPECT_EQ(body, std::string(testing::kCutSent, 'b'));
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11}));
  EXPECT_EQ(control.GetChunk(1024), "");
}

}  // namespace
}  // namespace kestrova::win32
