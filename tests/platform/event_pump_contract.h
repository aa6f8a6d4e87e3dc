// What every event pump must do, as a typed test suite: a test program includes this header once
// and instantiates the suite for its pump type, which must be default-constructible and offer
// PostCancel (callable from any thread, as a signal or console handler calls it).
#ifndef KESTROVA_TESTS_PLATFORM_EVENT_PUMP_CONTRACT_H_
#define KESTROVA_TESTS_PLATFORM_EVENT_PUMP_CONTRACT_H_

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "base/failure.h"
#include "platform/pump/event_pump.h"

namespace kestrova::testing {

// Pumps until done() holds, for at most limit; returns the number of DoEvents calls.
template <typename Done>
int PumpUntil(EventPump& pump, Done done,
              std::chrono::milliseconds limit = std::chrono::milliseconds{3000}) {
  const auto end = std::chrono::steady_clock::now() + limit;
  int rounds = 0;
  while (!done() && std::chrono::steady_clock::now() < end && rounds < 1'000'000) {
    pump.DoEvents();
    ++rounds;
  }
  return rounds;
}

template <typename Pump>
class EventPumpContract : public ::testing::Test {
 protected:
  using Clock = std::chrono::steady_clock;
  Pump pump_;
};

TYPED_TEST_SUITE_P(EventPumpContract);

TYPED_TEST_P(EventPumpContract, DoEventsWithNothingToDoReturnsWithinItsBound) {
  const auto start = std::chrono::steady_clock::now();
  this->pump_.DoEvents();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds{1});
}

TYPED_TEST_P(EventPumpContract, AnIdleWaitLoopSleepsInsteadOfSpinning) {
  using std::chrono::milliseconds;
  const auto start = std::chrono::steady_clock::now();
  const int rounds = PumpUntil(
      this->pump_, [&] { return std::chrono::steady_clock::now() - start >= milliseconds{300}; });
  // Sleeping up to 50 ms a round gives about 6 rounds; a loop that spins gives many thousands.
  EXPECT_LE(rounds, 60);
}

TYPED_TEST_P(EventPumpContract, TimersFireRepeatedlyAndOnlyFromDoEvents) {
  using std::chrono::milliseconds;
  int ticks = 0;
  this->pump_.AddTimer(
      milliseconds{20}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{60});
  EXPECT_EQ(ticks, 0);
  PumpUntil(this->pump_, [&] { return ticks >= 3; });
  EXPECT_GE(ticks, 3);
}

TYPED_TEST_P(EventPumpContract, ATimerThatFellBehindFiresOnce) {
  using std::chrono::milliseconds;
  int ticks = 0;
  this->pump_.AddTimer(
      milliseconds{10}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{100});  // ten intervals pass without pumping
  this->pump_.DoEvents();
  EXPECT_EQ(ticks, 1);
}

TYPED_TEST_P(EventPumpContract, DisabledAndRemovedTimersStaySilent) {
  using std::chrono::milliseconds;
  EventPump& pump = this->pump_;
  int disabled_ticks = 0;
  int removed_ticks = 0;
  int running_ticks = 0;
  const auto disabled = pump.AddTimer(
      milliseconds{10}, [&] { ++disabled_ticks; }, false);
  const auto removed = pump.AddTimer(
      milliseconds{10}, [&] { ++removed_ticks; }, true);
  pump.RemoveTimer(removed);
  pump.AddTimer(
      milliseconds{10}, [&] { ++running_ticks; }, true);
  PumpUntil(pump, [&] { return running_ticks >= 5; });
  EXPECT_GE(running_ticks, 5);
  EXPECT_EQ(disabled_ticks, 0);
  EXPECT_EQ(removed_ticks, 0);

  pump.EnableTimer(disabled, true);
  PumpUntil(pump, [&] { return disabled_ticks >= 2; });
  EXPECT_GE(disabled_ticks, 2);
  pump.EnableTimer(disabled, false);
  const int stopped_at = disabled_ticks;
  const int running_before = running_ticks;
  PumpUntil(pump, [&] { return running_ticks >= running_before + 5; });
  EXPECT_EQ(disabled_ticks, stopped_at);

  // Unknown ids are ignored.
  pump.EnableTimer(9999, true);
  pump.RemoveTimer(9999);
}

TYPED_TEST_P(EventPumpContract, ATickMayRemoveItsOwnTimer) {
  using std::chrono::milliseconds;
  EventPump& pump = this->pump_;
  int ticks = 0;
  int others = 0;
  EventPump::TimerId self = 0;
  self = pump.AddTimer(
      milliseconds{5},
      [&] {
        ++ticks;
        pump.RemoveTimer(self);
      },
      true);
  pump.AddTimer(
      milliseconds{5}, [&] { ++others; }, true);
  PumpUntil(pump, [&] { return others >= 4; });
  EXPECT_EQ(ticks, 1);
}

TYPED_TEST_P(EventPumpContract, ANonPositiveIntervalIsRefused) {
  using std::chrono::milliseconds;
  for (const milliseconds interval : {milliseconds{0}, milliseconds{-5}}) {
    try {
      this->pump_.AddTimer(
          interval, [] {}, true);
      ADD_FAILURE() << "interval " << interval.count() << " was accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
    }
  }
}

TYPED_TEST_P(EventPumpContract, CancelRequestsReachTheHandlerOnceFromDoEvents) {
  int cancels = 0;
  this->pump_.SetCancelHandler([&] { ++cancels; });
  this->pump_.PostCancel();
  // Posted again from another thread, as a signal or console control handler would.
  std::thread other([&] { this->pump_.PostCancel(); });
  other.join();
  EXPECT_EQ(cancels, 0);
  this->pump_.DoEvents();
  EXPECT_EQ(cancels, 1);
  this->pump_.DoEvents();
  EXPECT_EQ(cancels, 1);
}

REGISTER_TYPED_TEST_SUITE_P(EventPumpContract, DoEventsWithNothingToDoReturnsWithinItsBound,
                            AnIdleWaitLoopSleepsInsteadOfSpinning,
                            TimersFireRepeatedlyAndOnlyFromDoEvents, ATimerThatFellBehindFiresOnce,
                            DisabledAndRemovedTimersStaySilent, ATickMayRemoveItsOwnTimer,
                            ANonPositiveIntervalIsRefused,
                            CancelRequestsReachTheHandlerOnceFromDoEvents);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_PLATFORM_EVENT_PUMP_CONTRACT_H_
