// Runs a program for the end-to-end tests and collects what it printed.
#ifndef KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_
#define KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/files/temporary_folder.h"
#include "tests/support/test_files.h"

namespace kestrova::testing {

struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs program with args (no shell), standard input empty, and waits for it. With a signal, the
// signal is sent to the program once signal_delay has passed, or as soon as signal_when (when
// set, asked over and over while the program runs) returns true.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         int signal = 0,
                         std::chrono::milliseconds signal_delay = std::chrono::milliseconds{0},
                         const std::function<bool()>& signal_when = {});

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_
