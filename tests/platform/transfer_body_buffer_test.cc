#include "platform/transfer_body_buffer.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace kestrova
