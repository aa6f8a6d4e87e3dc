// What every transfer control must do, as a typed test suite over real loopback servers: a test
// program includes this header once and instantiates the suite for its side, a type that offers
//   Control, Pump                the control and the event pump it runs on;
//   Server                       a default-constructible server answering transfer_answers.h, with
//                                Url(path), ConnectionCount(), RequestCount(),
//                                ReleaseSlowAnswers();
//   static Options()             the options of a control that reaches the loopback servers;
//   server()                     the side's own server, which outlives the controls of a test;
//   Url(path, scheme = "http")   path on server(), or on a server of the side's own for the answers
//                                server() may not give (/exact, /reset, /reset-in-body,
//                                /cut-large);
//   RefusedUrl(path)             an address on 127.0.0.1 whose connections are refused;
//   static FailureCode(control)  the library's code for the last failure, when the control has one;
//   kTooManyRedirectsCode        that code after too many redirects;
//   kTimedOutCode, kCancelledCode  that code after a time-out, and after Cancel;
//   kLargestPiece                the most body bytes the library hands over at once, which an empty
//                                buffer takes whole; 0 when the control never reads past the room;
//   kMayKeepConnectionOfUnreadBody  whether the library may read away a dropped body's rest and
//                                keep its connection for the next request.
#ifndef KESTROVA_TESTS_PLATFORM_TRANSFER_CONTRACT_H_
#define KESTROVA_TESTS_PLATFORM_TRANSFER_CONTRACT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/failure.h"
#include "platform/transfer/transfer_rate_floor.h"
#include "tests/support/transfer_answers.h"
#include "tests/support/transfer_requests.h"

namespace kestrova::testing {

template <typename Side>
class TransferContract : public ::testing::Test {
 protected:
  // Checks the library's failure code, where the control has one: set after a failure, 0 otherwise.
  static void ExpectFailureCode(const typename Side::Control& control, bool failed) {
    if (const auto code = Side::FailureCode(control)) {
      if (failed) {
        EXPECT_NE(*code, 0u);
      } else {
        EXPECT_EQ(*code, 0u);
      }
    }
  }

  Side side_;  // its servers outlive the controls of a test
  typename Side::Pump pump_;
};

TYPED_TEST_SUITE_P(TransferContract);

struct AnswerCase {
  const char* path;
  const char* operation;
  const char* status_line;
  std::string_view body;
  std::vector<int> states;
};

TYPED_TEST_P(TransferContract, ReportsEachAnswerWithItsStatesHeaderAndBody) {
  const std::vector<int> one_redirect = {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 12};
  const std::vector<int> two_redirects = {1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 5, 6, 7, 8, 12};
  const std::vector<AnswerCase> cases = {
      {"/ok", "get", "HTTP/1.1 200 OK", kOkBody, kFreshConnectionStates},
      {"/ok", "GET", "HTTP/1.1 200 OK", kOkBody, kFreshConnectionStates},
      {"/ok", "head", "HTTP/1.1 200 OK", "", kFreshConnectionStates},
      {"/missing", "get", "HTTP/1.1 404 Not Found", kMissingBody, kFreshConnectionStates},
      {"/missing", "head", "HTTP/1.1 404 Not Found", "", kFreshConnectionStates},
      {"/forbidden", "get", "HTTP/1.1 403 Forbidden", kForbiddenBody, kFreshConnectionStates},
      {"/broken", "get", "HTTP/1.1 500 Internal Server Error", kBrokenBody, kFreshConnectionStates},
      {"/with space", "get", "HTTP/1.1 200 OK", kSpacedBody, kFreshConnectionStates},
      {"/moved", "get", "HTTP/1.1 200 OK", kOkBody, one_redirect},
      {"/moved-twice", "get", "HTTP/1.1 200 OK", kOkBody, two_redirects},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(std::string(c.operation) + " " + c.path);
    // A server of its own: a library that pools connections for the whole process would otherwise
    // hand the previous case's kept-alive connection to this control.
    typename TypeParam::Server server;
    typename TypeParam::Control control(this->pump_, TypeParam::Options());
    const auto outcome = RunRequest(control, this->pump_, server.Url(c.path), c.operation);
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
    this->ExpectFailureCode(control, false);
    EXPECT_FALSE(control.StillExecuting());
  }
}

TYPED_TEST_P(TransferContract, KeepsTheConnectionAliveBetweenRequests) {
  auto& server = this->side_.server();
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  const auto first = RunRequest(control, this->pump_, server.Url("/ok"), "head");
  const auto second = RunRequest(control, this->pump_, server.Url("/missing"));
  const auto third = RunRequest(control, this->pump_, server.Url("/ok"));
  const auto fourth = RunRequest(control, this->pump_, server.Url("/moved"));
  EXPECT_EQ(first.states, kFreshConnectionStates);
  const std::vector<int> reused = {5, 6, 7, 8, 12};
  EXPECT_EQ(second.states, reused);
  EXPECT_EQ(third.states, reused);
  EXPECT_EQ(fourth.states, (std::vector<int>{5, 6, 7, 8, 5, 6, 7, 8, 12}));
  EXPECT_EQ(second.body, kMissingBody);
  EXPECT_EQ(third.body, kOkBody);  // a "get" after a "head" has its body again
  EXPECT_EQ(fourth.body, kOkBody);
  EXPECT_EQ(server.RequestCount(), 5u);
  EXPECT_EQ(server.ConnectionCount(), 1u);
}

TYPED_TEST_P(TransferContract, GivesBackTheHeaderExactlyAsReceived) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  EXPECT_EQ(control.GetHeader(), "");  // nothing before the first response
  const auto outcome = RunRequest(control, this->pump_, this->side_.Url("/exact"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  EXPECT_EQ(outcome.body, "hello");
  // Each line as the server wrote it, the names' case and the spaces inside values kept.
  EXPECT_EQ(outcome.header, kExactHeader);
}

TYPED_TEST_P(TransferContract, ReadsBackTheAddressAsSet) {
  auto& server = this->side_.server();
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  EXPECT_EQ(control.Url(), "");
  for (const std::string& url :
       {server.Url("//kestrova"), server.Url("/kestrova/my page.htm"), server.Url("/a?b=c")}) {
    control.SetUrl(url);
    EXPECT_EQ(control.Url(), url);
  }
  control.SetUrl(server.Url("/kestrova"));
  EXPECT_EQ(control.Url() + "/inventory.txt", server.Url("/kestrova/inventory.txt"));
}

TYPED_TEST_P(TransferContract, RefusesCallsItCannotCarryOutWithoutStartingAnything) {
  using Control = typename TypeParam::Control;
  struct RefusalCase {
    const char* what;
    std::function<void(Control&)> call;
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
  auto& server = this->side_.server();
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    Control control(this->pump_, TypeParam::Options());
    control.SetUrl(server.Url("/ok"));
    try {
      c.call(control);
      ADD_FAILURE() << "accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
      EXPECT_EQ(failure.source(), "Inet1");
      EXPECT_FALSE(failure.description().empty());
    }
    EXPECT_EQ(control.Url(), server.Url("/ok"));  // a refused address leaves the old one
    EXPECT_FALSE(control.StillExecuting());
  }
  EXPECT_EQ(server.ConnectionCount(), 0u);
}

TYPED_TEST_P(TransferContract, RefusesExecuteWithoutAnAddressOrWhileExecuting) {
  auto& server = this->side_.server();
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  EXPECT_THROW(control.Execute("get"), Failure);
  control.SetUrl(server.Url("/ok"));
  control.SetUrl("");
  EXPECT_THROW(control.Execute("get"), Failure);

  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server.Url("/ok"));
  control.Execute("get");
  try {
    control.Execute("head");
    ADD_FAILURE() << "a second Execute was accepted";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kErrInvalidArgument);
    EXPECT_EQ(failure.description(), "Still executing last request");
  }
  // The first request goes on undisturbed.
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  EXPECT_EQ(states, kFreshConnectionStates);
  EXPECT_EQ(ReadBody(control), kOkBody);
  EXPECT_EQ(control.GetChunk(1024), "");  // and stays exhausted
}

TYPED_TEST_P(TransferContract, DeliversStatesInOrderAndNeverReentrantly) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  std::vector<int> states;
  int depth = 0;
  int deepest = 0;
  control.SetStateChangedCallback([&](int state) {
    ++depth;
    deepest = std::max(deepest, depth);
    states.push_back(state);
    // A handler that pumps, as a message box would, must not receive states inside itself.
    this->pump_.DoEvents();
    --depth;
  });
  control.SetUrl(this->side_.server().Url("/moved"));
  control.Execute("get");
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8, 12}));
}

TYPED_TEST_P(TransferContract, DeliversStatesOnlyFromThePumpOnItsThread) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  std::vector<int> states;
  std::vector<std::thread::id> threads;
  control.SetStateChangedCallback([&](int state) {
    states.push_back(state);
    threads.push_back(std::this_thread::get_id());
  });
  control.SetUrl(this->side_.server().Url("/ok"));
  control.Execute("get");
  EXPECT_TRUE(control.StillExecuting());
  // A library with threads of its own works meanwhile.
  std::this_thread::sleep_for(std::chrono::milliseconds{300});
  EXPECT_TRUE(states.empty());  // neither Execute nor the library's threads report anything
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  EXPECT_EQ(states, kFreshConnectionStates);
  EXPECT_EQ(std::count(threads.begin(), threads.end(), std::this_thread::get_id()),
            static_cast<std::ptrdiff_t>(threads.size()));
}

// Bodies larger than the control's buffer, and bodies that take longer than the time-out.

TYPED_TEST_P(TransferContract, ALargeBodyStreamsIntactThroughTheBoundedBuffer) {
  using Control = typename TypeParam::Control;
  Control control(this->pump_, TypeParam::Options());
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(this->side_.server().Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  // The wait ends when the buffer is full, long before the body is complete.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  EXPECT_GT(control.buffered_body_size(), control.body_buffer_capacity() / 2);
  if (TypeParam::kLargestPiece == 0) {
    EXPECT_EQ(control.buffered_body_size(), control.body_buffer_capacity());
  }

  std::string body;
  for (int chunks = 0; chunks < 1'000'000; ++chunks) {
    const std::string chunk = control.GetChunk(1024);
    if (chunk.empty()) break;
    ASSERT_LE(chunk.size(), 1024u);
    body += chunk;
    ASSERT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  }
  ASSERT_EQ(body.size(), kLargeLength);
  EXPECT_EQ(FirstMismatch(body), body.size());
  EXPECT_LE(control.peak_buffered_body_size(), control.body_buffer_capacity());
  if (TypeParam::kLargestPiece == 0) {
    EXPECT_EQ(control.peak_buffered_body_size(), control.body_buffer_capacity());
  }
  EXPECT_EQ(control.body_buffer_capacity(), Control::kDefaultBodyBufferCapacity);
  EXPECT_EQ(states, kFreshConnectionStates);  // completed while GetChunk waited
}

TYPED_TEST_P(TransferContract, ASmallerBufferHoldsItsOwnBound) {
  for (const std::size_t capacity : {std::size_t{16}, std::size_t{4096}, std::size_t{100000}}) {
    SCOPED_TRACE(capacity);
    typename TypeParam::Server server;  // a fresh connection for each capacity
    auto options = TypeParam::Options();
    options.body_buffer_capacity = capacity;
    typename TypeParam::Control control(this->pump_, options);
    const auto outcome = RunRequest(control, this->pump_, server.Url("/large"));
    ASSERT_EQ(outcome.body.size(), kLargeLength);
    EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
    if (TypeParam::kLargestPiece == 0) {
      EXPECT_EQ(control.peak_buffered_body_size(), capacity);  // filled, and never beyond
    } else {
      // An empty buffer takes one of the library's pieces whole.
      EXPECT_LE(control.peak_buffered_body_size(), std::max(capacity, TypeParam::kLargestPiece));
    }
    EXPECT_EQ(outcome.states, kFreshConnectionStates);
  }
}

TYPED_TEST_P(TransferContract, ADownloadLongerThanTheTimeOutCompletesWhileDataKeepsArriving) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  control.SetRequestTimeout(1);  // the body takes about 1.25 s to arrive
  const auto outcome = RunRequest(control, this->pump_, this->side_.server().Url("/trickle"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  ASSERT_EQ(outcome.body.size(), kTricklePieces * kTricklePiece);
  EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
  EXPECT_EQ(control.failure_text(), "");
}

TYPED_TEST_P(TransferContract, APausedDownloadOutlastsTheTimeOutUntilItIsRead) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  control.SetRequestTimeout(1);
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(this->side_.server().Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  // Nobody reads for two and a half time-outs while the pump runs.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds{2500};
  for (int round = 0; round < 10'000 && std::chrono::steady_clock::now() < end; ++round) {
    this->pump_.DoEvents();
  }
  EXPECT_FALSE(control.StillExecuting());
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::string body = ReadBody(control);
  ASSERT_EQ(body.size(), kLargeLength);
  EXPECT_EQ(FirstMismatch(body), body.size());
  EXPECT_EQ(states, kFreshConnectionStates);
}

TYPED_TEST_P(TransferContract, TheNextRequestDropsABodyLeftUnread) {
  auto& server = this->side_.server();
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  control.SetUrl(server.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  ASSERT_EQ(control.GetChunk(1024).size(), 1024u);

  const auto next = RunRequest(control, this->pump_, server.Url("/ok"));
  // Nothing of the dropped body reaches the next response. The unfinished connection is given up,
  // unless the library reads the rest of the body away on closing the request and keeps it.
  EXPECT_EQ(next.body, kOkBody);
  EXPECT_EQ(StatusLine(next.header), "HTTP/1.1 200 OK");
  const bool reused = next.states == std::vector<int>{5, 6, 7, 8, 12};
  EXPECT_TRUE(next.states == kFreshConnectionStates || reused);
  if (!TypeParam::kMayKeepConnectionOfUnreadBody) {
    EXPECT_FALSE(reused);
  }
  EXPECT_EQ(server.ConnectionCount(), reused ? 1u : 2u);
}

// Requests that fail: the control reports kError after the states that tell where it failed, and
// raises nothing.

// A name under .invalid never resolves. Its first label is longer than the 63 bytes a DNS name may
// have, so the resolver fails before it builds a query: nothing leaves the machine.
inline std::string UnresolvableUrl() {
  return "http://" + std::string(64, 'k') + ".invalid/kestrova";
}

struct FailureCase {
  const char* what;
  std::string url;
  int timeout_seconds;
  std::vector<int> states;
  std::string body;  // what arrived before the failure
};

TYPED_TEST_P(TransferContract, EndsInErrorAfterTheLastStateReached) {
  auto& side = this->side_;
  const std::vector<FailureCase> cases = {
      {"a name that does not resolve", UnresolvableUrl(), 30, {1, 11}, ""},
      {"a refused connection", side.RefusedUrl("/kestrova"), 30, {1, 2, 3, 11}, ""},
      {"an answer slower than the time-out", side.Url("/slow"), 1, {1, 2, 3, 4, 5, 6, 11}, ""},
      {"a reset instead of an answer", side.Url("/reset"), 30, {1, 2, 3, 4, 5, 6, 11}, ""},
      {"a reset in the body",
       side.Url("/reset-in-body"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       std::string(kResetPartial, 'p')},
      {"a body cut short",
       side.Url("/truncated"),
       30,
       {1, 2, 3, 4, 5, 6, 7, 8, 11},
       std::string(kTruncatedSent, 'x')},
      {"https to a server that does not speak it", side.Url("/ok", "https"), 30, {1, 2, 3, 11}, ""},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    typename TypeParam::Control control(this->pump_, TypeParam::Options());
    control.SetRequestTimeout(c.timeout_seconds);
    const auto outcome = RunRequest(control, this->pump_, c.url);
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, c.states);
    EXPECT_EQ(outcome.states_at_wait_end, c.states);
    EXPECT_EQ(outcome.body, c.body);
    this->ExpectFailureCode(control, true);
    EXPECT_FALSE(control.failure_text().empty());
    EXPECT_FALSE(control.StillExecuting());
  }
}

TYPED_TEST_P(TransferContract, TooManyRedirectsEndInError) {
  auto options = TypeParam::Options();
  options.max_redirects = 3;
  typename TypeParam::Control control(this->pump_, options);
  const auto outcome = RunRequest(control, this->pump_, this->side_.server().Url("/loop"));
  ASSERT_TRUE(outcome.stopped);
  ASSERT_FALSE(outcome.states.empty());
  EXPECT_EQ(outcome.states.back(), 11);
  EXPECT_EQ(std::count(outcome.states.begin(), outcome.states.end(), 12), 0);
  // The first request and three redirects were followed, and no more.
  EXPECT_EQ(std::count(outcome.states.begin(), outcome.states.end(), 5), 4);
  if (const auto code = TypeParam::FailureCode(control)) {
    EXPECT_EQ(*code, TypeParam::kTooManyRedirectsCode);
  }
}

TYPED_TEST_P(TransferContract, AControlWorksAgainAfterAFailure) {
  auto& server = this->side_.server();
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  control.SetRequestTimeout(1);
  const auto failed = RunRequest(control, this->pump_, server.Url("/slow"));
  ASSERT_FALSE(failed.states.empty());
  ASSERT_EQ(failed.states.back(), 11);
  this->ExpectFailureCode(control, true);  // the library's time-out or the control's
  server.ReleaseSlowAnswers();
  const auto next = RunRequest(control, this->pump_, server.Url("/ok"));
  // The timed-out connection was given up: the next request opens its own.
  EXPECT_EQ(next.states, kFreshConnectionStates);
  EXPECT_EQ(next.body, kOkBody);
  EXPECT_TRUE(control.failure_text().empty());
  this->ExpectFailureCode(control, false);
}

TYPED_TEST_P(TransferContract, AFailureWhileTheReaderDrainsTheBodyComesFromGetChunk) {
  // More than the buffer holds, then the end of the connection long before the promised length.
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(this->side_.Url("/cut-large"));
  control.Execute("get");
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  // The wait ended on a full buffer, before the failure.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_GT(control.buffered_body_size(), 0u);
  EXPECT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  if (TypeParam::kLargestPiece == 0) {
    EXPECT_EQ(control.buffered_body_size(), control.body_buffer_capacity());
  }
  const std::string body = ReadBody(control);
  EXPECT_EQ(body, std::string(kCutSent, 'b'));
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11}));
  EXPECT_EQ(control.GetChunk(1024), "");
}

// A request that moves too little, and one that the user stops.

// Waits in the pump until the control has delivered state, for limit at most.
template <typename Pump>
bool PumpUntilState(Pump& pump, const std::vector<int>& states, int state,
                    std::chrono::milliseconds limit = std::chrono::seconds{20}) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::find(states.begin(), states.end(), state) == states.end() &&
         std::chrono::steady_clock::now() < end) {
    pump.DoEvents();
  }
  return std::find(states.begin(), states.end(), state) != states.end();
}

TYPED_TEST_P(TransferContract, ARequestBelowTheRateFloorEndsAsTimedOut) {
  // A short window, so that the test need not wait the default one out.
  auto options = TypeParam::Options();
  options.rate_floor = TransferRateFloor{std::chrono::seconds{1}, 1024};
  {
    // A byte every tenth of a second: never silent for the time-out, far below the floor.
    typename TypeParam::Control control(this->pump_, options);
    control.SetRequestTimeout(30);
    const auto outcome = RunRequest(control, this->pump_, this->side_.server().Url("/crawl"));
    ASSERT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11}));
    EXPECT_LT(outcome.body.size(), kCrawlLength);
    EXPECT_FALSE(control.failure_text().empty());
    if (const auto code = TypeParam::FailureCode(control)) {
      EXPECT_EQ(*code, TypeParam::kTimedOutCode);
    }
  }
  // A slow download that keeps above the floor (2 KB a second) completes under the same floor.
  typename TypeParam::Control control(this->pump_, options);
  control.SetRequestTimeout(30);
  const auto outcome = RunRequest(control, this->pump_, this->side_.server().Url("/trickle"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  ASSERT_EQ(outcome.body.size(), kTricklePieces * kTricklePiece);
  EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
}

TYPED_TEST_P(TransferContract, ACancelRequestStopsTheRequestInProgressAtOnce) {
  typename TypeParam::Control control(this->pump_, TypeParam::Options());
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  // The cancel request arrives through the pump, as Ctrl+C or a Cancel click brings it.
  int cancels = 0;
  this->pump_.SetCancelHandler([&] {
    ++cancels;
    control.Cancel();
  });
  const std::string crawl = this->side_.server().Url("/crawl");

  // While the driver waits in the pump for a body that keeps coming.
  control.SetUrl(crawl);
  control.Execute("get");
  ASSERT_TRUE(PumpUntilState(this->pump_, states, 8));
  this->pump_.PostCancel();
  ASSERT_TRUE(WaitWhileExecuting(control, this->pump_));
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 11}));
  EXPECT_EQ(control.GetChunk(1024), "");  // what had arrived is dropped
  EXPECT_FALSE(control.failure_text().empty());
  if (const auto code = TypeParam::FailureCode(control)) {
    EXPECT_EQ(*code, TypeParam::kCancelledCode);
  }

  // While the reader waits in GetChunk for the next bytes.
  states.clear();
  control.SetUrl(crawl);
  control.Execute("get");
  ASSERT_FALSE(control.GetChunk(1024).empty());
  this->pump_.PostCancel();
  EXPECT_EQ(control.GetChunk(1024), "");
  EXPECT_EQ(cancels, 2);
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.back(), 11);
  EXPECT_FALSE(control.StillExecuting());

  // A cancel with no request in progress changes nothing.
  control.Cancel();
  EXPECT_EQ(states.back(), 11);
  EXPECT_EQ(std::count(states.begin(), states.end(), 11), 1);
  this->pump_.SetCancelHandler(nullptr);
}

REGISTER_TYPED_TEST_SUITE_P(
    TransferContract, ReportsEachAnswerWithItsStatesHeaderAndBody,
    KeepsTheConnectionAliveBetweenRequests, GivesBackTheHeaderExactlyAsReceived,
    ReadsBackTheAddressAsSet, RefusesCallsItCannotCarryOutWithoutStartingAnything,
    RefusesExecuteWithoutAnAddressOrWhileExecuting, DeliversStatesInOrderAndNeverReentrantly,
    DeliversStatesOnlyFromThePumpOnItsThread, ALargeBodyStreamsIntactThroughTheBoundedBuffer,
    ASmallerBufferHoldsItsOwnBound, ADownloadLongerThanTheTimeOutCompletesWhileDataKeepsArriving,
    APausedDownloadOutlastsTheTimeOutUntilItIsRead, TheNextRequestDropsABodyLeftUnread,
    EndsInErrorAfterTheLastStateReached, TooManyRedirectsEndInError,
    AControlWorksAgainAfterAFailure, AFailureWhileTheReaderDrainsTheBodyComesFromGetChunk,
    ARequestBelowTheRateFloorEndsAsTimedOut, ACancelRequestStopsTheRequestInProgressAtOnce);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_TRANSFER_CONTRACT_H_
