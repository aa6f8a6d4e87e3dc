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

}  // namespace
}  // namespace kestrova::testing
