#include "platform/transfer/transfer_body_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/transfer/transfer_rate_floor.h"

namespace kestrova {
namespace {

TEST(TransferBodyBufferTest, HoldsItsBoundExceptForOnePieceInAnEmptyBuffer) {
  TransferBodyBuffer buffer(8);
  EXPECT_TRUE(buffer.Fits(100));  // an empty buffer takes a piece of any size
  buffer.Append("abcdef");
  EXPECT_EQ(buffer.Room(), 2u);
  EXPECT_TRUE(buffer.Fits(2));
  EXPECT_FALSE(buffer.Fits(3));
  EXPECT_FALSE(buffer.HalfDrained());
  EXPECT_EQ(buffer.Take(3), "abc");
  EXPECT_TRUE(buffer.HalfDrained());
  buffer.Append("ghijk");  // the unread bytes move to the front, in order
  EXPECT_EQ(buffer.Room(), 0u);
  EXPECT_EQ(buffer.Take(100), "defghijk");
  EXPECT_TRUE(buffer.empty());
  buffer.Append(std::string(20, 'x'));
  EXPECT_EQ(buffer.Room(), 0u);
  buffer.Clear();
  EXPECT_TRUE(buffer.empty());
  EXPECT_EQ(buffer.peak(), 20u);  // the peak outlives what it counted
}

TEST(TransferBodyBufferTest, ACapacityOfNothingHoldsOneByte) {
  const TransferBodyBuffer buffer(0);
  EXPECT_EQ(buffer.capacity(), 1u);
  EXPECT_EQ(buffer.Room(), 1u);
}

// A window that brings exactly the floor's bytes passes; one byte fewer misses it, once the whole
// window has passed and not before.
TEST(TransferRateMeterTest, TheFloorIsMetByExactlyItsBytes) {
  using std::chrono::milliseconds;
  const TransferRateMeter::Clock::time_point start{};
  for (const std::size_t bytes : {std::size_t{1023}, std::size_t{1024}}) {
    TransferRateMeter meter(TransferRateFloor{milliseconds{30'000}, 1024});
    meter.Count(bytes - 1, start);
    meter.Count(1, start + milliseconds{29'000});
    EXPECT_FALSE(meter.Missed(start + milliseconds{29'999})) << bytes;
    EXPECT_EQ(meter.Missed(start + milliseconds{30'000}), bytes < 1024) << bytes;
  }
}

}  // namespace
}  // namespace kestrova
