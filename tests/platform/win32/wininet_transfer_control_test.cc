// The WinINet transfer control: the contract every transfer control keeps, and what is its own.
#include "platform/win32/wininet_transfer_control.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/transfer_contract.h"
#include "tests/platform/win32/wininet_transfer_side.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(WinInet, TransferContract, ::testing::Types<WinInetTransferSide>);

namespace {

// WinINet keeps one pool of idle connections for the whole process: a control's first request may
// go over a connection that another control left open, and skip states 1 to 4.
TEST(WinInetTransferControlTest, ControlsShareWinInetsKeptAliveConnections) {
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  win32::WinInetTransferControl one(pump, WinInetTransferSide::Options());
  const auto first = RunRequest(one, pump, side.server().Url("/ok"));
  win32::WinInetTransferControl two(pump, WinInetTransferSide::Options());
  const auto second = RunRequest(two, pump, side.server().Url("/missing"));
  EXPECT_EQ(first.states, kFreshConnectionStates);
  EXPECT_EQ(second.states, (std::vector<int>{5, 6, 7, 8, 12}));
  EXPECT_EQ(second.body, kMissingBody);
  EXPECT_EQ(side.server().ConnectionCount(), 1u);
}

// Every request asks caches on the way to pass it on, in both forms that HTTP/1.0 and HTTP/1.1
// caches read, so that a proxy never answers with a stale inventory.
TEST(WinInetTransferControlTest, RequestsTellCachesNotToAnswer) {
  WinInetTransferSide side;
  win32::Win32EventPump pump;
  win32::WinInetTransferControl control(pump, WinInetTransferSide::Options());
  RunRequest(control, pump, side.server().Url("/ok"));
  RunRequest(control, pump, side.server().Url("/ok"), "head");
  const std::vector<std::string> headers = side.server().RequestHeaders();
  ASSERT_EQ(headers.size(), 2u);
  for (const std::string& header : headers) {
    EXPECT_NE(header.find("\r\nPragma: no-cache\r\n"), std::string::npos) << header;
    EXPECT_NE(header.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << header;
  }
}

}  // namespace
}  // namespace kestrova::testing
