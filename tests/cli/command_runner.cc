#include "tests/cli/command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestrova::testing {

CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         int signal, std::chrono::milliseconds signal_delay,
                         const std::function<bool()>& signal_when) {
  int out_pipe[2];
  int err_pipe[2];
  if (pipe(out_pipe) != 0 || pipe(err_pipe) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int null_in = open("/dev/null", O_RDONLY);
    dup2(null_in, 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  CommandResult result;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open_pipes = 2;
  const auto signal_at = std::chrono::steady_clock::now() + signal_delay;
  bool signalled = signal == 0;
  while (open_pipes > 0) {
    const auto now = std::chrono::steady_clock::now();
    if (!signalled && (now >= signal_at || (signal_when && signal_when()))) {
      kill(child, signal);
      signalled = true;
    }
    int wait_ms = 30000;  // a program that hangs fails the test, not the run
    if (!signalled) {
      wait_ms = signal_when
                    ? 0
                    : static_cast<int>(
                          std::chrono::ceil<std::chrono::milliseconds>(signal_at - now).count());
    }
    const int ready = poll(fds, 2, wait_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (ready == 0 && signalled)) break;
    if (ready == 0) continue;  // time to send the signal
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
      if (got <= 0) {
        close(fds[k].fd);
        fds[k].fd = -1;
        --open_pipes;
      } else {
        sinks[k]->append(buffer, static_cast<std::size_t>(got));
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
  int status = 0;
  waitpid(child, &status, 0);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace kestrova::testing
