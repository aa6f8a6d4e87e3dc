#include "platform/posix/poll_event_pump.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "mending/failure.h"
#include "platform/posix/sigint_cancel.h"
#include "platform/posix/unique_fd.h"

namespace kestrova {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Pumps until done() holds, for at most limit; returns the number of DoEvents calls.
template <typename Done>
int PumpUntil(PollEventPump& pump, Done done, milliseconds limit = milliseconds{3000}) {
  const auto end = Clock::now() + limit;
  int rounds = 0;
  while (!done() && Clock::now() < end && rounds < 1'000'000) {
    pump.DoEvents();
    ++rounds;
  }
  return rounds;
}

TEST(PollEventPumpTest, DoEventsWithNothingToDoReturnsWithinItsBound) {
  PollEventPump pump;
  const auto start = Clock::now();
  pump.DoEvents();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds{1});
}

TEST(PollEventPumpTest, AnIdleWaitLoopSleepsInsteadOfSpinning) {
  PollEventPump pump;
  const auto start = Clock::now();
  const int rounds = PumpUntil(pump, [&] { return Clock::now() - start >= milliseconds{300}; });
  // Sleeping up to 50 ms a round gives about 6 rounds; a loop that spins gives many thousands.
  EXPECT_LE(rounds, 60);
}

TEST(PollEventPumpTest, TimersFireRepeatedlyAndOnlyFromDoEvents) {
  PollEventPump pump;
  int ticks = 0;
  pump.AddTimer(
      milliseconds{20}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{60});
  EXPECT_EQ(ticks, 0);
  PumpUntil(pump, [&] { return ticks >= 3; });
  EXPECT_GE(ticks, 3);
}

TEST(PollEventPumpTest, ATimerThatFellBehindFiresOnce) {
  PollEventPump pump;
  int ticks = 0;
  pump.AddTimer(
      milliseconds{10}, [&] { ++ticks; }, true);
  std::this_thread::sleep_for(milliseconds{100});  // ten intervals pass without pumping
  pump.DoEvents();
  EXPECT_EQ(ticks, 1);
}

TEST(PollEventPumpTest, DisabledAndRemovedTimersStaySilent) {
  PollEventPump pump;
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

TEST(PollEventPumpTest, ATickMayRemoveItsOwnTimer) {
  PollEventPump pump;
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

TEST(PollEventPumpTest, ANonPositiveIntervalIsRefused) {
  PollEventPump pump;
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

TEST(PollEventPumpTest, CancelRequestsReachTheHandlerOnceFromDoEvents) {
  PollEventPump pump;
  int cancels = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  pump.PostCancel();
  pump.PostCancel();
  EXPECT_EQ(cancels, 0);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);
}

int g_previous_handler_calls = 0;
extern "C" void CountingSigintHandler(int) { ++g_previous_handler_calls; }

TEST(PollEventPumpTest, CtrlCBecomesACancelAndTheOldHandlerReturnsAfterwards) {
  struct sigaction counting {};
  counting.sa_handler = CountingSigintHandler;
  sigemptyset(&counting.sa_mask);
  struct sigaction original {};
  ASSERT_EQ(::sigaction(SIGINT, &counting, &original), 0);
  g_previous_handler_calls = 0;

  PollEventPump pump;
  int cancels = 0;
  pump.SetCancelHandler([&] { ++cancels; });
  {
    const ScopedSigintCancel scope(pump);
    ASSERT_EQ(::raise(SIGINT), 0);
    EXPECT_EQ(cancels, 0);  // nothing runs in the signal handler itself
    pump.DoEvents();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(g_previous_handler_calls, 0);
  }
  ASSERT_EQ(::raise(SIGINT), 0);
  EXPECT_EQ(g_previous_handler_calls, 1);
  pump.DoEvents();
  EXPECT_EQ(cancels, 1);

  ::sigaction(SIGINT, &original, nullptr);
}

// A source that waits on the read end of a pipe and counts what it is handed.
class PipeSource final : public PollSource {
 public:
  PipeSource() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2");
    read_.Reset(ends[0]);
    write_.Reset(ends[1]);
  }
  void CollectDescriptors(std::vector<pollfd>& fds) override {
    fds.push_back(pollfd{read_.get(), POLLIN, 0});
  }
  std::optional<milliseconds> Timeout() const override { return std::nullopt; }
  void Dispatch(std::span<const pollfd> fds) override {
    ++dispatches;
    if (fds.size() == 1 && (fds[0].revents & POLLIN) != 0) {
      char byte;
      if (::read(read_.get(), &byte, 1) == 1) ++bytes_read;
    }
  }
  void Post() {
    const char byte = 'x';
    ASSERT_EQ(::write(write_.get(), &byte, 1), 1);
  }

  int dispatches = 0;
  int bytes_read = 0;

 private:
  UniqueFd read_;
  UniqueFd write_;
};

TEST(PollEventPumpTest, SourcesAreHandedTheirReadyDescriptors) {
  PollEventPump pump;
  PipeSource source;
  pump.AddSource(source);
  pump.AddSource(source);  // a second registration changes nothing
  pump.DoEvents();
  EXPECT_EQ(source.dispatches, 1);
  EXPECT_EQ(source.bytes_read, 0);
  source.Post();
  pump.DoEvents();
  EXPECT_EQ(source.dispatches, 2);
  EXPECT_EQ(source.bytes_read, 1);
  pump.RemoveSource(source);
  source.Post();
  pump.DoEvents();
  EXPECT_EQ(source.dispatches, 2);
}

}  // namespace
}  // namespace kestrova
