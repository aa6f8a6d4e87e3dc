// The status window with the real transfer control and event pump: a request's states reach the
// status bar, and a failed request leaves the right error in the last error.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/posix/curl_transfer_control.h"
#include "platform/posix/poll_event_pump.h"
#include "tests/platform/posix/raw_http_server.h"
#include "tests/platform/posix/test_http_server.h"
#include "tests/platform/posix/transfer_test_support.h"
#include "ui/frm_mending.h"

namespace kestrova {
namespace {

class StatusBarRecorder final : public FrmMendingView {
 public:
  void OnStatusBarChanged(const std::string& text) override { texts.push_back(text); }
  void OnFrameChanged(int, int) override { ++ticks; }

  std::vector<std::string> texts;
  int ticks = 0;
};

// The sentences the window shows for states, in order.
std::vector<std::string> Sentences(const std::vector<int>& states) {
  std::vector<std::string> sentences;
  for (const int state : states) sentences.push_back(FrmMending::StateText(state));
  return sentences;
}

class FrmMendingTransferTest : public ::testing::Test {
 protected:
  FrmMendingTransferTest() { testing::BypassProxies(); }

  // A window as the driver creates it for a publish, shown, with its view.
  std::unique_ptr<FrmMending> OpenWindow(StatusBarRecorder& view) {
    auto window = std::make_unique<FrmMending>(std::make_unique<CurlTransferControl>(pump_), pump_,
                                               last_error_);
    window->SetView(&view);
    window->Show();
    return window;
  }

  // One request the driver's way: address, time-out, start, wait, then the header and body.
  std::string Request(FrmMending& window, const std::string& url, int timeout_seconds,
                      const char* operation) {
    window.Inet1().SetUrl(url);
    window.Inet1().SetRequestTimeout(timeout_seconds);
    window.Inet1().Execute(operation);
    EXPECT_TRUE(testing::WaitWhileExecuting(window.Inet1(), pump_));
    return testing::ReadBody(window.Inet1());
  }

  testing::TestHttpServer server_;
  PollEventPump pump_;
  LastError last_error_;
};

TEST_F(FrmMendingTransferTest, ARequestShowsEachStateInTheStatusBar) {
  StatusBarRecorder view;
  auto window = OpenWindow(view);
  window->SetStatusText("Checking for mending files on server.");
  Request(*window, server_.Url("/kestrova"), 30, "head");
  EXPECT_EQ(view.texts, Sentences({1, 2, 3, 4, 5, 6, 7, 8, 12}));
  EXPECT_EQ(testing::StatusLine(window->Inet1().GetHeader()), "HTTP/1.1 404 Not Found");
  EXPECT_FALSE(last_error_.IsSet());

  view.texts.clear();
  const std::string body = Request(*window, server_.Url("/ok"), 30, "get");
  EXPECT_EQ(view.texts, Sentences({5, 6, 7, 8, 12}));  // the kept-alive connection
  EXPECT_EQ(body, testing::kOkBody);
  EXPECT_EQ(window->status_bar_text(), "The request was completed, all data has been received.");
  EXPECT_EQ(window->last_state(), 8);
  EXPECT_FALSE(last_error_.IsSet());
  EXPECT_EQ(window->status_text(), "Checking for mending files on server.");
}

TEST_F(FrmMendingTransferTest, AFailedRequestLeavesTheErrorItsLastStateSelects) {
  testing::RefusingPort refusing;
  struct FailureCase {
    const char* what;
    std::string url;
    int timeout_seconds;
    std::vector<int> states;
    std::int32_t number;
    const char* description;
  };
  const std::vector<FailureCase> cases = {
      {"an unknown name",
       "http://" + std::string(64, 'n') + ".invalid/kestrova",
       30,
       {1, 11},
       errDnsNameNotFound,
       "DNS error - name not found"},
      {"a refused connection",
       refusing.Url("/kestrova"),
       30,
       {1, 2, 3, 11},
       errServerNotResponding,
       "Server not responding"},
      {"a body cut short",
       server_.Url("/truncated"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       errReceivingData,
       "Error receiving data from server"},
      {"no answer within the time-out",
       server_.Url("/slow"),
       1,
       {1, 2, 3, 4, 5, 6, 11},
       errCommunicating,
       "Error communicating with the remote server."},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    last_error_.Clear();
    StatusBarRecorder view;
    auto window = OpenWindow(view);
    Request(*window, c.url, c.timeout_seconds, "get");
    EXPECT_EQ(view.texts, Sentences(c.states));
    EXPECT_EQ(last_error_.number(), c.number);
    EXPECT_EQ(last_error_.description(), c.description);
    EXPECT_EQ(last_error_.source(), "Inet1");
    if (c.timeout_seconds == 1) {
      EXPECT_GE(view.ticks, 1);  // the animation went on during the second-long wait
    }
    window->StopAnimation();
    window->Hide();
  }
}

}  // namespace
}  // namespace kestrova
