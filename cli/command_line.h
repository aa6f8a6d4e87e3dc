// The command line of fpkestrova: its commands and options, parsed with CLI11, and the bash
// completion made from the same definitions.
#ifndef KESTROVA_CLI_COMMAND_LINE_H_
#define KESTROVA_CLI_COMMAND_LINE_H_

#include <optional>
#include <string>
#include <vector>

#include "ui/console/console_options.h"

namespace kestrova {

// What publish and verify print besides the console's progress, and how they fetch.
struct PublishFlags {
  // Publishes with every write staged and dropped at the end, and prints what would change.
  bool dry_run = false;
  // With dry_run: one line per listed page instead of the differences.
  bool stat = false;
  // Ends with one JSON object on standard output, the summary of the run.
  bool json = false;
  // verify: a unified diff of each stale page's served head against the head its mend gives.
  bool diff = false;
  // How many mending files (for verify, pages) are fetched at once, each over its own connection;
  // unset for the host's default.
  std::optional<int> connections;
  // The certificates to trust for https instead of the system's store (--cacert, --capath);
  // empty when not given.
  std::string ca_file;
  std::string ca_path;
};

struct CommandLine {
  ConsoleOptions options;
  PublishFlags publish;
  std::string examples_dir;
  // The command and its arguments, once the line parsed; empty after --help or --version.
  std::vector<std::string> words;
  // Set when the line was answered already (help, version, completion, or a usage error):
  // the process exits with it.
  int exit_code = -1;
};

// Parses args (without the program name). Help, version and completion requests are printed on
// standard output, usage errors on standard error.
CommandLine ParseCommandLine(const std::vector<std::string>& args, std::string examples_dir);

}  // namespace kestrova

#endif  // KESTROVA_CLI_COMMAND_LINE_H_
