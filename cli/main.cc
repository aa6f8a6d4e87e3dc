// fpkestrova: the Linux host of the Kestrova add-in.
#include <malloc.h>

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#include "cli/demo_command.h"
#include "cli/examples_location.h"
#include "cli/exit_codes.h"
#include "cli/host_commands.h"
#include "cli/preview_command.h"
#include "cli/verify_command.h"

int main(int argc, char** argv) {
  // A reader that went away (a closed pipe, a reset connection) is an error the program reports,
  // not a reason to be killed mid-write.
  std::signal(SIGPIPE, SIG_IGN);
  // A page is read, its head copied, rewritten and laid out again, each in a buffer about its
  // size, and then all are freed. The allocator would hand buffers over 128 KB to the kernel and
  // ask for fresh ones for the next page, whose every 4 KB then faults in anew (over a third of
  // the time for pages with heads of 100 KB); kept for the next page, they are reused.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  const kestrova::CommandLine line =
      kestrova::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                 kestrova::DefaultExamplesDir(KESTROVA_EXAMPLES_DIR));
  if (line.exit_code >= 0) return line.exit_code;
  const std::string& command = line.words[0];
  if (command == "preview") return kestrova::RunPreviewCommand(line.words[1], line.words[2]);
  if (command == "publish") {
    return kestrova::RunPublishCommand(line.options, line.words[1], line.publish);
  }
  if (command == "verify") {
    return kestrova::RunVerifyCommand(line.options, line.words[1], line.publish);
  }
  if (command == "demo") return kestrova::RunDemoCommand(line.options, line.examples_dir);
  if (command == "menu") return kestrova::RunMenuCommand(line.options);
  const std::string_view caption = command == "about"      ? "About"
                                   : command == "register" ? "Register"
                                                           : "Demo mend";
  return kestrova::RunClickCommand(line.options, caption);
}
