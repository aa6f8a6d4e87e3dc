// The libcurl transfer control: the contract every transfer control keeps, and what is its own.
#include "platform/posix/curl_transfer_control.h"

#include <gtest/gtest.h>

#include "tests/platform/posix/curl_transfer_side.h"
#include "tests/platform/transfer_contract.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Curl, TransferContract, ::testing::Types<CurlTransferSide>);

namespace {

// Each control has a connection cache of its own.
TEST(CurlTransferControlTest, SeparateControlsUseSeparateConnections) {
  CurlTransferSide side;
  PollEventPump pump;
  CurlTransferControl one(pump);
  CurlTransferControl two(pump);
  RunRequest(one, pump, side.server().Url("/ok"));
  RunRequest(two, pump, side.server().Url("/ok"));
  EXPECT_EQ(side.server().ConnectionCount(), 2u);
}

}  // namespace
}  // namespace kestrova::testing
