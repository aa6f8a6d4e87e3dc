#include "platform/pump/posix/poll_event_pump.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <vector>

#include "base/failure.h"
#include "platform/posix/posix_failure.h"
#include "platform/posix/unique_fd.h"
#include "platform/pump/posix/signal_cancel.h"
#include "tests/platform/event_pump_contract.h"

namespace kestrova::testing {

INSTANTIATE_TYPED_TEST_SUITE_P(Poll, EventPumpContract, ::testing::Types<PollEventPump>);

}  // namespace kestrova::testing

namespace kestrova {
namespace {

using std::chrono::milliseconds;

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
    const ScopedSignalCancel scope(pump);
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
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) RaiseSystemError("pipe2", errno);
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
    if (on_dispatch) on_dispatch();
  }
  void Post() {
    const char byte = 'x';
    ASSERT_EQ(::write(write_.get(), &byte, 1), 1);
  }

  int dispatches = 0;
  int bytes_read = 0;
  std::function<void()> on_dispatch;

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

TEST(PollEventPumpTest, SourcesRemovedOrAddedDuringARoundAreLeftOutOfIt) {
  PollEventPump pump;
  PipeSource first;
  PipeSource removed;
  PipeSource added;
  pump.AddSource(first);
  pump.AddSource(removed);
  first.on_dispatch = [&] {
    pump.RemoveSource(removed);
    pump.AddSource(added);
  };
  pump.DoEvents();
  EXPECT_EQ(first.dispatches, 1);
  EXPECT_EQ(removed.dispatches, 0);
  EXPECT_EQ(added.dispatches, 0);
  first.on_dispatch = nullptr;
  pump.DoEvents();
  EXPECT_EQ(first.dispatches, 2);
  EXPECT_EQ(removed.dispatches, 0);
  EXPECT_EQ(added.dispatches, 1);
}

}  // namespace
}  // namespace kestrova
