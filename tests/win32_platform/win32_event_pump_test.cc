#include "platform/win32/win32_event_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "mending/failure.h"

namespace kestrova::win32 {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Pumps until done() holds, for at most limit; returns the number of DoEvents calls.
template <typename Done>
int PumpUntil(Win32EventPump& pump, Done done, milliseconds limit = milliseconds{3000}) {
  const auto end = Clock::now() + limit;
  int rounds = 0;
  while (!done() && Clock::now() < end && rounds < 1'000'000) {
    pump.DoEvents();
    ++rounds;
  }
  return rounds;
}

TEST(Win32EventPumpTest, DoEventsWithNothingToDoReturnsWithinItsBound) {
  Win32EventPump pump;
  const auto start = Clock::now();
  pump.DoEvents();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds{1});
}

TEST(Win32EventPumpTest, AnIdleWaitLoopSleepsInsteadOfSpinning) {
  Win32EventPump pump;
  const auto start = Clock::now();
  const int rounds = PumpUntil(pump, [&] { return Clock::now() - start >= milliseconds{300}; });
  // Sleeping up to 50 ms a round gives about 6 rounds; a loop that spins gives many thousands.
  EXPECT_LE(rounds, 60);
}

int g_timer_messages = 0;
void CALLBACK CountTimerMessage(HWND, UINT, UINT_PTR, DWORD) { ++g_timer_messages; }

TEST(Win32EventPumpTest, DispatchesTheThreadsWindowMessages) {
  Win32EventPump pump;
  g_timer_messages = 0;
  // A thread timer of the system: its WM_TIMER reaches the procedure only through dispatching.
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, CountTimerMessage);
  ASSERT_NE(timer, 0u);
  PumpUntil(pump, [&] { return g_timer_messages >= 3; });
  KillTimer(nullptr, timer);
  EXPECT_GE(g_timer_messages, 3);
}

TEST(Win32EventPumpTest, AQuitRequestIsLeftForTheOutermostLoop) {
  Win32EventPump pump;
  PostQuitMessage(7);
  pump.DoEvents();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

TEST(Win32EventPumpTest, WakesFromAnotherThreadEndTheSleep) {
  Win32EventPump pump;
  std::atomic<bool> done{false};
  // Nothing but the wake-ups can end a wait before its 50 ms: no timer, source or message.
  std::thread waker([&] {
    for (int i = 0; i < 1000 && !done; ++i) {
      pump.Wake();
      std::this_thread::sleep_for(milliseconds{2});
    }
  });
  const auto start = Clock::now();
  const int rounds = PumpUntil(pump, [&] { return Clock::now() - start >= milliseconds{300}; });
  done = true;
  waker.join();
  // Asleep through the wake-ups, the loop would make about 6 rounds.
  EXPECT_GT(rounds, 30);
}

TEST(Win32EventPumpTest, TimersFireRepeatedlyAndOnlyFromDoEvents) {
  Win32EventPump pump;
  int ticks = 0;
  pump.AddTimer(
      milliseconds{20}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{60});
  EXPECT_EQ(ticks, 0);
  PumpUntil(pump, [&] { return ticks >= 3; });
  EXPECT_GE(ticks, 3);
}

TEST(Win32EventPumpTest, ATimerThatFellBehindFiresOnce) {
  Win32EventPump pump;
  int ticks = 0;
  pump.AddTimer(
      milliseconds{10}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{100});  // ten intervals pass without pumping
  pump.DoEvents();
  EXPECT_EQ(ticks, 1);
}

TEST(Win32EventPumpTest, DisabledAndRemovedTimersStaySilent) {
  Win32EventPump pump;
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

TEST(Win32EventPumpTest, ATickMayRemoveItsOwnTimer) {
  Win32EventPump pump;
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

TEST(Win32EventPumpTest, ANonPositiveIntervalIsRefused) {
  Win32EventPump pump;
  for (const milliseconds interval : {milliseconds{0}, milliseconds{-5}}) {
    try {
      pump.AddTimer(
          interval, [] {}, true);
      ADD_FAILURE() << "interval " << interval.count() << " was accepted";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), kErrInvalidArgument);
    }
  }
}

TEST(Win32EventPumpTest, CancelRequestsReachTheHandlerOnceFromDoEvents) {
  Win32EventPump pump;
  int cancels = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  pump.PostCancel();
  std::thread other([&] { pump.PostCancel(); });  // as a console control handler would
  other.join();
  EXPECT_EQ(cancels, 0);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);
}

TEST(Win32EventPumpTest, DispatchCancelRequestDeliversOnlyTheCancel) {
  Win32EventPump pump;
  int cancels = 0;
  int ticks = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  pump.AddTimer(
      milliseconds{1}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{20});  // the timer is due
  pump.DispatchCancelRequest();
  EXPECT_EQ(cancels, 0);  // nothing was asked
  pump.PostCancel();
  const auto start = Clock::now();
  pump.DispatchCancelRequest();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds{1});
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(ticks, 0);  // timers wait for DoEvents
}

TEST(Win32EventPumpTest, ACancelDispatchedByAnotherLoopStillReachesTheHandler) {
  Win32EventPump pump;
  int cancels = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  pump.PostCancel();
  // Another message loop of the thread (a message box's) dispatches the request first.
  MSG message;
  for (int i = 0; i < 100 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    DispatchMessageW(&message);
  }
  EXPECT_EQ(cancels, 0);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);
}

// A source that counts its rounds and asks for one more round while it has work.
class CountingSource final : public Win32PumpSource {
 public:
  std::optional<milliseconds> Timeout() const override {
    if (work > 0) return milliseconds{0};
    return std::nullopt;
  }
  void Dispatch() override {
    ++dispatches;
    if (work > 0) --work;
  }
  int work = 0;
  int dispatches = 0;
};

TEST(Win32EventPumpTest, SourcesTakePartInEveryRoundUntilRemoved) {
  Win32EventPump pump;
  CountingSource source;
  pump.AddSource(source);
  pump.AddSource(source);  // a second registration changes nothing
  pump.DoEvents();
  EXPECT_EQ(source.dispatches, 1);
  // While the source has work the pump does not sleep: far more than 6 rounds in 300 ms.
  source.work = 1'000'000;
  const auto start = Clock::now();
  const int rounds = PumpUntil(pump, [&] { return Clock::now() - start >= milliseconds{300}; });
  EXPECT_GT(rounds, 30);
  EXPECT_EQ(source.dispatches, rounds + 1);
  pump.RemoveSource(source);
  pump.DoEvents();
  EXPECT_EQ(source.dispatches, rounds + 1);
}

TEST(Win32EventPumpTest, PumpsOnSeveralThreadsLiveSideBySide) {
  Win32EventPump first;
  int ticks = 0;
  std::thread other([&] {
    Win32EventPump second;
    second.AddTimer(
        milliseconds{5}, [&] { ++ticks; }, true);
    PumpUntil(second, [&] { return ticks >= 3; });
  });
  other.join();
  EXPECT_GE(ticks, 3);
  int cancels = 0;
  first.SetCancelHandler([&] { ++cancels; });
  first.PostCancel();  // the first pump's window outlived the second's
  first.DoEvents();
  EXPECT_EQ(cancels, 1);
}

}  // namespace
}  // namespace kestrova::win32
