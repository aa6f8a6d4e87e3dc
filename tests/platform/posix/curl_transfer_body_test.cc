// Bodies larger than the control's buffer, and bodies that take longer than the time-out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/posix/curl_transfer_control.h"
#include "platform/posix/poll_event_pump.h"
#include "tests/platform/posix/test_http_server.h"
#include "tests/platform/posix/transfer_test_support.h"

namespace kestrova {
namespace {

using testing::kFreshConnectionStates;

// The first index at which body differs from the pattern of the large bodies, or body's size
// when it matches throughout.
std::size_t FirstMismatch(const std::string& body) {
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != testing::LargeBodyByte(i)) return i;
  }
  return body.size();
}

class CurlTransferBodyTest : public ::testing::Test {
 protected:
  CurlTransferBodyTest() { testing::BypassProxies(); }

  testing::TestHttpServer server_;
  PollEventPump pump_;
};

TEST_F(CurlTransferBodyTest, ALargeBodyStreamsIntactThroughTheBoundedBuffer) {
  CurlTransferControl control(pump_);
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server_.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  // The wait ends when the buffer is full, long before the body is complete.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  EXPECT_GT(control.buffered_body_size(), control.body_buffer_capacity() / 2);

  std::string body;
  for (int chunks = 0; chunks < 1'000'000; ++chunks) {
    const std::string chunk = control.GetChunk(1024);
    if (chunk.empty()) break;
    ASSERT_LE(chunk.size(), 1024u);
    body += chunk;
    ASSERT_LE(control.buffered_body_size(), control.body_buffer_capacity());
  }
  ASSERT_EQ(body.size(), testing::kLargeLength);
  EXPECT_EQ(FirstMismatch(body), body.size());
  EXPECT_LE(control.peak_buffered_body_size(), control.body_buffer_capacity());
  EXPECT_EQ(control.body_buffer_capacity(), CurlTransferControl::kDefaultBodyBufferCapacity);
  EXPECT_EQ(states, kFreshConnectionStates);  // completed while GetChunk waited
}

TEST_F(CurlTransferBodyTest, ASmallerBufferHoldsItsOwnBound) {
  CurlTransferControl::Options options;
  options.body_buffer_capacity = 4096;
  CurlTransferControl control(pump_, options);
  const auto outcome = testing::RunRequest(control, pump_, server_.Url("/large"));
  ASSERT_EQ(outcome.body.size(), testing::kLargeLength);
  EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
  // libcurl hands over at most 16 KiB at a time; an empty buffer takes one such piece whole.
  EXPECT_LE(control.peak_buffered_body_size(), std::size_t{16 * 1024});
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
}

TEST_F(CurlTransferBodyTest, ADownloadLongerThanTheTimeOutCompletesWhileDataKeepsArriving) {
  CurlTransferControl control(pump_);
  control.SetRequestTimeout(1);  // the body takes about 1.25 s to arrive
  const auto outcome = testing::RunRequest(control, pump_, server_.Url("/trickle"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  ASSERT_EQ(outcome.body.size(), testing::kTricklePieces * testing::kTricklePiece);
  EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
}

TEST_F(CurlTransferBodyTest, APausedDownloadOutlastsTheTimeOutUntilItIsRead) {
  CurlTransferControl control(pump_);
  control.SetRequestTimeout(1);
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server_.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  // Nobody reads for two and a half time-outs while the pump runs.
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds{2500};
  for (int round = 0; round < 10'000 && std::chrono::steady_clock::now() < end; ++round) {
    pump_.DoEvents();
  }
  EXPECT_FALSE(control.StillExecuting());
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::string body = testing::ReadBody(control);
  ASSERT_EQ(body.size(), testing::kLargeLength);
  EXPECT_EQ(FirstMismatch(body), body.size());
  EXPECT_EQ(states, kFreshConnectionStates);
}

TEST_F(CurlTransferBodyTest, TheNextRequestDropsABodyLeftUnread) {
  CurlTransferControl control(pump_);
  control.SetUrl(server_.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  ASSERT_EQ(control.GetChunk(1024).size(), 1024u);

  const auto next = testing::RunRequest(control, pump_, server_.Url("/ok"));
  // The unfinished connection was given up, so the next request opens its own.
  EXPECT_EQ(next.states, kFreshConnectionStates);
  EXPECT_EQ(next.body, testing::kOkBody);
  EXPECT_EQ(server_.ConnectionCount(), 2u);
}

}  // namespace
}  // namespace kestrova
