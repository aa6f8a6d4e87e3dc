// Bodies larger than the control's buffer, and bodies that take longer than the time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/win32_event_pump.h"
#include "platform/win32/wininet_transfer_control.h"
#include "tests/platform/win32/loopback_http_server.h"
#include "tests/platform/win32/transfer_run.h"

namespace kestrova::win32 {
namespace {

using testing::DirectOptions;
using testing::FirstMismatch;
using testing::kFreshConnectionStates;

class WinInetTransferBodyTest : public ::testing::Test {
 protected:
  testing::LoopbackHttpServer server_;
  Win32EventPump pump_;
};

TEST_F(WinInetTransferBodyTest, ALargeBodyStreamsIntactThroughTheBoundedBuffer) {
  WinInetTransferControl control(pump_, DirectOptions());
  std::vector<int> states;
  control.SetStateChangedCallback([&](int state) { states.push_back(state); });
  control.SetUrl(server_.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  // The wait ends when the buffer is full, long before the body is complete.
  EXPECT_EQ(states, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(control.buffered_body_size(), control.body_buffer_capacity());

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
  EXPECT_EQ(control.peak_buffered_body_size(), control.body_buffer_capacity());
  EXPECT_EQ(control.body_buffer_capacity(), WinInetTransferControl::kDefaultBodyBufferCapacity);
  EXPECT_EQ(states, kFreshConnectionStates);  // completed while GetChunk waited
}

TEST_F(WinInetTransferBodyTest, ASmallerBufferHoldsItsOwnBound) {
  for (const std::size_t capacity : {std::size_t{16}, std::size_t{4096}, std::size_t{100000}}) {
    SCOPED_TRACE(capacity);
    testing::LoopbackHttpServer server;  // a fresh connection for each capacity
    WinInetTransferControl::Options options = DirectOptions();
    options.body_buffer_capacity = capacity;
    WinInetTransferControl control(pump_, options);
    const auto outcome = testing::RunRequest(control, pump_, server.Url("/large"));
    ASSERT_EQ(outcome.body.size(), testing::kLargeLength);
    EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
    EXPECT_EQ(control.peak_buffered_body_size(), capacity);  // filled, and never beyond
    EXPECT_EQ(outcome.states, kFreshConnectionStates);
  }
}

TEST_F(WinInetTransferBodyTest, ADownloadLongerThanTheTimeOutCompletesWhileDataKeepsArriving) {
  WinInetTransferControl control(pump_, DirectOptions());
  control.SetRequestTimeout(1);  // the body takes about 1.25 s to arrive
  const auto outcome = testing::RunRequest(control, pump_, server_.Url("/trickle"));
  EXPECT_EQ(outcome.states, kFreshConnectionStates);
  ASSERT_EQ(outcome.body.size(), testing::kTricklePieces * testing::kTricklePiece);
  EXPECT_EQ(FirstMismatch(outcome.body), outcome.body.size());
  EXPECT_EQ(control.failure_text(), "");
}

TEST_F(WinInetTransferBodyTest, APausedDownloadOutlastsTheTimeOutUntilItIsRead) {
  WinInetTransferControl control(pump_, DirectOptions());
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

TEST_F(WinInetTransferBodyTest, TheNextRequestDropsABodyLeftUnread) {
  WinInetTransferControl control(pump_, DirectOptions());
  control.SetUrl(server_.Url("/large"));
  control.Execute("get");
  ASSERT_TRUE(testing::WaitWhileExecuting(control, pump_));
  ASSERT_EQ(control.GetChunk(1024).size(), 1024u);

  const auto next = testing::RunRequest(control, pump_, server_.Url("/ok"));
  // Nothing of the dropped body reaches the next response. WinINet either gives up the unfinished
  // connection or, when the rest of the body is already there to read, reads it away on closing the
  // request and keeps the connection: both happen under Wine, depending on timing.
  EXPECT_EQ(next.body, testing::kOkBody);
  EXPECT_EQ(testing::StatusLine(next.header), "HTTP/1.1 200 OK");
  const std::vector<int> reused = {5, 6, 7, 8, 12};
  EXPECT_TRUE(next.states == kFreshConnectionStates || next.states == reused);
  EXPECT_EQ(server_.ConnectionCount(), next.states == reused ? 1u : 2u);
}

}  // namespace
}  // namespace kestrova::win32
