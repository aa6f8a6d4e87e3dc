#include "platform/pump/win32/win32_event_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "base/failure.h"
#include "tests/platform/event_pump_contract.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, EventPumpContract, ::testing::Types<win32::Win32EventPump>);

}  // namespace kestrova::testing

namespace kestrova::win32 {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

using testing::PumpUntil;

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

TEST(Win32EventPumpTest, AQuitRequestCancelsTheWorkAndIsLeftForTheOutermostLoop) {
  Win32EventPump pump;
  int cancels = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  int ticks = 0;
  pump.AddTimer(
      milliseconds{200}, [&] { ++ticks; }, true);
  // The host closes while work waits in the pump: the work is cancelled, once, and the pump
  // sleeps on until its timer is due. A queued quit that ended every wait at once would make
  // thousands of rounds; sleeping up to 50 ms a round makes about 4.
  PostQuitMessage(7);
  const int rounds = PumpUntil(pump, [&] { return ticks >= 1; });
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(cancels, 1);
  EXPECT_LE(rounds, 40);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  pump.DoEvents();  // the host's loop took the quit: nothing more to cancel
  EXPECT_EQ(cancels, 1);

  // Between the pages of the mend phase, where only the cancel request is dispatched.
  PostQuitMessage(3);
  pump.DispatchCancelRequest();
  EXPECT_EQ(cancels, 2);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
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
