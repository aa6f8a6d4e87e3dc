#include "platform/win32/wininet_transfer_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "platform/win32/win32_event_pump.h"
#include "tests/platform/win32/loopback_http_server.h"
#include "tests/platform/win32/transfer_run.h"

namespace kestrova::win32 {
namespace {

using testing::DirectOptions;
using testing::kFreshConnectionStates;
using testing::RunRequest;
using testing::StatusLine;

class WinInetTransferControlTest : public ::testing::Test {
 protected:
  testing::LoopbackHttpServer server_;  // outlives the controls of a test
  Win32EventPump pump_;
};

struct AnswerCase {
  const char* path;
  const char* operation;
  const char* status_line;
  std::string_view body;
  std::vector<int> states;
};

TEST_F(WinInetTransferControlTest, ReportsEachAnswerWithItsStatesHeaderAndBody) {
  const std::vector<int> one_redirect = {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 12};
  const std::vector<int> two_redirects = {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 12};
  const std::vector<AnswerCase> cases = {
      {"/ok", "get", "HTTP/1.1 200 OK", testing::kOkBody, kFreshConnectionStates},
      {"/ok", "GET", "HTTP/1.1 200 OK", testing::kOkBody, kFreshConnectionStates},
      {"/ok", "head", "HTTP/1.1 200 OK", "", kFreshConnectionStates},
      {"/missing", "get", "HTTP/1.1 404 Not Found", testing::kMissingBody, kFreshConnectionStates},
      {"/missing", "head", "HTTP/1.1 404 Not Found", "", kFreshConnectionStates},
      {"/forbidden", "get", "HTTP/1.1 403 Forbidden", testing::kForbiddenBody,
       kFreshConnectionStates},
      {"/broken", "get", "HTTP/1.1 500 Internal Server Error", testing::kBrokenBody,
       kFreshConnectionStates},
      {"/with space", "get", "HTTP/1.1 200 OK", testing::kSpacedBody, kFreshConnectionStates},
      {"/moved", "get", "HTTP/1.1 200 OK", testing::kOkBody, one_redirect},
      {"/moved-twice", "get", "HTTP/1.1 200 OK", testing::kOkBody, two_redirects},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(std::string(c.operation) + " " + c.path);
    // A server of its own: WinINet would otherwise hand the previous case's kept-alive connection
    // to this control (see ControlsShareWinInetsKeptAliveConnections).
    testing::LoopbackHttpServer server;
    WinInetTransferControl control(pump_, DirectOptions());
    const auto outcome = RunRequest(control, pump_, server.Url(c.path), c.operation);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, c.states);
    EXPECT_EQ(outcome.states_at_wait_end, c.states);  // all of it arrived during the wait
    EXPECT_EQ(StatusLine(outcome.header), c.status_line);
    // One header only, the final response's, ending in the empty line.
    EXPECT_EQ(outcome.header.find("HTTP/", 1), std::string::npos) << outcome.header;
    EXPECT_TRUE(outcome.header.ends_with("\r\n\r\n")) << outcome.header;
    if (std::string_view(c.operation) != "head") {
      EXPECT_NE(outcome.header.find("Content-Length: " + std::to_string(c.body.size()) + "\r\n"),
                std::string::npos)
          << outcome.header;
    }
    EXPECT_EQ(outcome.body, c.body);
    EXPECT_TRUE(control.failure_text().empty()) << control.failure_text();
    EXPECT_EQ(control.failure_code(), 0u);
    EXPECT_FALSE(control.StillExecuting());
  }
}

TEST_F(WinInetTransferControlTest, KeepsTheConnectionAliveBetweenRequests) {
  WinInetTransferControl control(pump_, DirectOptions());
  const auto first = RunRequest(control, pump_, server_.Url("/ok"), "head");
  const auto second = RunRequest(control, pump_, server_.Url("/missing"));
  const auto third = RunRequest(control, pump_, server_.Url("/ok"));
  const auto fourth = RunRequest(control, pump_, server_.Url("/moved"));
  EXPECT_EQ(first.states, kFreshConnectionStates);
  const std::vector<int> reused = {5, 6, 7, 8, 12};
  EXPECT_EQ(second.states, reused);
  EXPECT_EQ(third.states, reused);
  EXPECT_EQ(fourth.states, (std::vector<int>{5, 6, 7, 8, 5, 6, 7, 8, 12}));
  EXPECT_EQ(second.body, testing::kMissingBody);
  EXPECT_EQ(third.body, testing::kOkBody);  // a "get" after a "head" has its body again
  EXPECT_EQ(fourth.body, testing::kOkBody);
  EXPECT_EQ(server_.RequestCount(), 5u);
  EXPECT_EQ(server_.ConnectionCount(), 1u);
}

// WinINet keeps one pool of idle connections for the whole process: a control's first request may
// go over a connection that another control left open, and skip states 1 to 4.
TEST_F(WinInetTransferControlTest, ControlsShareWinInetsKeptAliveConnections) {
  WinInetTransferControl one(pump_, DirectOptions());
  const auto first = RunRequest(one, pump_, server_.Url("/ok"));
  WinInetTransferControl two(pump_, DirectOptions());
  const auto second = RunRequest(two, pump_, server_.Url("/missing"));
  EXPECT_EQ(first.states, kFreshConnectionStates);
  EXPECT_EQ(second.states, (std::vector<int>{5, 6, 7, 8, 12}));
  EXPECT_EQ(second.body, testing::kMissingBody);
  EXPECT_EQ(server_.ConnectionCount(), 1u);
}

TEST_F(WinInetTransferControlTest, GivesBackTheWholeHeaderOfTheResponse) {
  WinInetTransferControl control(pump_, DirectOptions());
  EXPECT_EQ(control.GetHeader(), "");  // nothing before the first response
  const auto outcome = RunRequest(control, pump_, server_.Url("/exact"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  EXPECT_EQ(outcome.body, "hello");
  // The header as WinINet gives it back (HTTP_QUERY_RAW_HEADERS_CRLF): each line as the server
  // wrote it, the names' case and the spaces inside values kept.
  EXPECT_EQ(outcome.header, testing::kExactHeader);
}

TEST_F(WinInetTransferControlTest, ReadsBackTheAddressAsSet) {
  WinInetTransferControl control(pump_, DirectOptions());
  EXPECT_EQ(control.Url(), "");
  for (const std::string& url :
       {server_.Url("//kestrova"), server_.Url("/kestrova/my page.htm"), server_.Url("/a?b=c")}) {
    control.SetUrl(url);
    EXPECT_EQ(control.Url(), url);
  }
  control.SetUrl(server_.Url("/kestrova"));
  EXPECT_EQ(control.Url() + "/inventory.txt", server_.Url("/kestrova/inventory.txt"));
}

TEST_F(WinInetTransferControlTest, RefusesCallsItCannotCarryOutWithoutStartingAnything) {
  struct RefusalCase {
    const char* what;
    std::function<void(WinInetTransferControl&)> call;
  };
  const std::vector<RefusalCase> cases = {
      {"text that is no address", [](auto& c) { c.SetUrl("not a url"); }},
      {"an address without scheme", [](auto& c) { c.SetUrl("www.example.com/kestrova"); }},
      {"another scheme", [](auto& c) { c.SetUrl("ftp://127.0.0.1/kestrova"); }},
      {"a scheme without host", [](auto& c) { c.SetUrl("http://"); }},
      {"a port out of range", [](auto& c) { c.SetUrl("http://127.0.0.1:70000/"); }},
      {"an unknown operation", [](auto& c) { c.Execute("post"); }},
      {"an empty operation", [](auto& c) { c.Execute(""); }},
      {"a chunk of no bytes", [](auto& c) { c.GetChunk(0); }},
      {"a negative time-out", [](auto& c) { c.SetRequestTimeout(-1); }},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    WinInetTransferControl control(pump_, DirectOptions());
    control.SetUrl(server_.Url("/ok"));
    try {
      c.call(control);
      ADD_FAILURE() << "accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
      EXPECT_EQ(failure.source(), "Inet1");
      EXPECT_FALSE(failure.description().empty());
    }
    EXPECT_EQ(control.Url(), server_.Url("/ok"));  // a refused address leaves the old one
    EXPECT_FALSE(control.StillExecuting());
  }
  EXPECT_EQ(server_.ConnectionCount(), 0u);
}

TEST_F(WinInetTransferControlTest, RefusesExecuteWithoutAnAddressOrWhileExecuting) {
  WinInetTransferControl control(pump_, DirectOptions());
  EXPECT_THROW(control.Execute("get"), Failure);
  control.SetUrl(server_.Url("/ok"));
  control.SetUrl("");
  EXPECT_THROW(control.Execute("get"), Failure);

  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server_.Url("/ok"));
  control.Execute("get");
  try {
    control.Execute("head");
    ADD_FAILURE() << "a second Execute was accepted";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrInvalidArgument);
    EXPECT_EQ(failure.description(), "Still executing last request");
  }
  // The first request goes on undisturbed.
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  EXPECT_EQ(states, kFreshConnectionStates);
  EXPECT_EQ(testing::ReadBody(control), testing::kOkBody);
  EXPECT_EQ(control.GetChunk(1024), "");  // and stays exhausted
}

TEST_F(WinInetTransferControlTest, DeliversStatesInOrderAndNeverReentrantly) {
  WinInetTransferControl control(pump_, DirectOptions());
  std::vector<int> states;
  int depth = 0;
  int deepest = 0;
  control.SetStateChangedCallback([&](int state) {
    ++depth;
    deepest = std::max(deepest, depth);
    states.push_back(state);
    // A handler that pumps, as a message box would, must not receive states inside itself.
    pump_.DoEvents();
    --depth;
  });
  control.SetUrl(server_.Url("/moved"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 12}));
}

TEST_F(WinInetTransferControlTest, DeliversStatesOnlyOnThePumpsThread) {
  WinInetTransferControl control(pump_, DirectOptions());
  std::vector<int> states;
  std::vector<DWORD> threads;
  control.SetStateChangedCallback([&](int state) {
    states.push_back(state);
    threads.push_back(GetCurrentThreadId());
  });
  control.SetUrl(server_.Url("/ok"));
  control.Execute("get");
  EXPECT_TRUE(control.StillExecuting());
  Sleep(300);                   // WinINet works meanwhile on threads of its own
  EXPECT_TRUE(states.empty());  // neither Execute nor WinINet's threads report anything
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  EXPECT_EQ(states, kFreshConnectionStates);
  EXPECT_EQ(std::count(threads.begin(), threads.end(), GetCurrentThreadId()),
            static_cast<std::ptrdiff_t>(threads.size()));
}

}  // namespace
}  // namespace kestrova::win32
