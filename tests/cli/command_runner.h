// Runs a program for the end-to-end tests and collects what it printed.
#ifndef KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_
#define KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_

#include <chrono>
#include <string>
#include <vector>

namespace kestrova::testing {

struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs program with args (no shell), standard input empty, and waits for it. With a signal, the
// signal is sent to the program once signal_delay has passed.
CommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                         int signal = 0,
                         std::chrono::milliseconds signal_delay = std::chrono::milliseconds{0});

// A fresh temporary folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::string& path() const { return path_; }
  // Writes bytes to the file name inside the folder and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

std::string ReadBytes(const std::string& path);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_CLI_COMMAND_RUNNER_H_
