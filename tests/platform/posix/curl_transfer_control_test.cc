// The libcurl transfer control: the contract every transfer control keeps, and what is its own.
#include "platform/transfer/posix/curl_transfer_control.h"

#include <gtest/gtest.h>

#include "tests/platform/posix/curl_transfer_side.h"
#include "tests/platform/transfer_contract.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Curl, TransferContract, ::testing::Types<CurlTransferSide>);

namespace {

// A control made on the pump alone has a connection cache of its own; controls made on one
// CurlConnections share theirs.
TEST(CurlTransferControlTest, SeparateControlsUseSeparateConnections) {
  CurlTransferSide side;
  PollEventPump pump;
  CurlTransferControl one(pump);
  CurlTransferControl two(pump);
  RunRequest(one, pump, side.server().Url("/ok"));
  RunRequest(two, pump, side.server().Url("/ok"));
  EXPECT_EQ(side.server().ConnectionCount(), 2u);
  EXPECT_EQ(one.ConnectionsOpened(), 1u);
  const auto shared = std::make_shared<CurlConnections>(pump);
  CurlTransferControl three(shared, {});
  CurlTransferControl four(shared, {});
  RunRequest(three, pump, side.server().Url("/ok"));
  RunRequest(four, pump, side.server().Url("/ok"));
  EXPECT_EQ(side.server().ConnectionCount(), 3u);
  // Each request counts the connections it opened; one that reuses a kept-alive one, none.
  EXPECT_EQ(three.ConnectionsOpened(), 1u);
  EXPECT_EQ(four.ConnectionsOpened(), 0u);
  EXPECT_FALSE(four.Multiplexed());  // HTTP/1.1
}

}  // namespace
}  // namespace kestrova::testing
