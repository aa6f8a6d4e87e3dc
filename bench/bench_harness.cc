#include "bench/bench_harness.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "platform/posix/unique_fd.h"

namespace kestrova::bench {

void Fail(const std::string& what) { throw BenchFailure(what); }

void FailWithErrno(const std::string& what) { Fail(what + ": " + std::strerror(errno)); }

std::string Describe(const Failure& failure) {
  char number[16];
  std::snprintf(number, sizeof number, "%08X", static_cast<std::uint32_t>(failure.number()));
  return "error " + std::string(number) + " from " + failure.source() + ": " +
         failure.description();
}

int WaitForChild(pid_t pid, const std::string& what, std::chrono::seconds limit, rusage& usage) {
  // Through syscall(2): the C library's own pidfd_open is not declared for C++ everywhere.
  const UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
  if (!pidfd.valid()) FailWithErrno("pidfd_open");
  const Clock::time_point deadline = Clock::now() + limit;
  pollfd ready{pidfd.get(), POLLIN, 0};
  // Each round sleeps until the child ends or the deadline passes; signals only repeat a round.
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(std::max(deadline - Clock::now(), {}));
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled > 0) break;
    if (polled < 0 && errno != EINTR) FailWithErrno("poll");
    if (polled == 0) {
      ::kill(pid, SIGKILL);
      int ignored = 0;
      ::wait4(pid, &ignored, 0, &usage);
      Fail(what + " did not finish within " + std::to_string(limit.count()) + " s and was killed");
    }
  }
  int status = 0;
  if (::wait4(pid, &status, 0, &usage) != pid) FailWithErrno("wait4");
  return status;
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "wait status " + std::to_string(status);
}

ChildOutcome RunInChild(const std::string& what, std::chrono::seconds limit,
                        const std::function<std::string()>& work) {
  std::array<int, 2> ends{};
  if (::pipe2(ends.data(), O_CLOEXEC) != 0) FailWithErrno("pipe2");
  UniqueFd read_end(ends[0]);
  UniqueFd write_end(ends[1]);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) FailWithErrno("fork");
  if (pid == 0) {
    // The child reports "ok REPORT" or the failure on the pipe, then leaves at once: no
    // destructor of the parent's objects may run here.
    std::string message;
    int code = 1;
    try {
      message = "ok " + work();
      code = 0;
    } catch (const Failure& failure) {
      message = Describe(failure);
    } catch (const std::exception& error) {
      message = error.what();
    }
    message.resize(std::min<std::size_t>(message.size(), 2048));  // fits the pipe at once
    const ssize_t written = ::write(write_end.get(), message.data(), message.size());
    ::_exit(written == static_cast<ssize_t>(message.size()) ? code : 1);
  }
  write_end.Reset();
  rusage usage{};
  const int status = WaitForChild(pid, "the child " + what, limit, usage);
  std::string message(4096, '\0');
  const ssize_t got = ::read(read_end.get(), message.data(), message.size());
  message.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !message.starts_with("ok ")) {
    Fail(what + " in a child process failed (" + DescribeStatus(status) + "): " + message);
  }
  return {message.substr(3), usage.ru_maxrss};
}

namespace {

// SIGALRM's handler: reports the time limit and leaves at once.
void OnTimeLimit(int) {
  constexpr std::string_view kFailed = ": FAILED: the time limit ran out\n";
  const char* program = program_invocation_short_name;
  [[maybe_unused]] ssize_t ignored = ::write(2, program, std::strlen(program));
  ignored = ::write(2, kFailed.data(), kFailed.size());
  ::_exit(3);
}

}  // namespace

void StartTimeLimit(unsigned seconds) {
  struct sigaction action {};
  action.sa_handler = OnTimeLimit;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGALRM, &action, nullptr);
  ::alarm(seconds);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Seconds(Clock::duration elapsed) { return std::chrono::duration<double>(elapsed).count(); }

}  // namespace kestrova::bench
