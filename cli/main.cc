// fpkestrova: the Linux host of the Kestrova add-in.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/preview_command.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: fpkestrova COMMAND [ARGUMENTS]\n"
    "\n"
    "Applies the mends that the Kestrova service prepared for a web site to the site's local\n"
    "pages before they are published.\n"
    "\n"
    "Commands:\n"
    "  preview PAGE MENDING   Print PAGE with its head rewritten from the head of the mending\n"
    "                         file MENDING. Neither file is changed.\n"
    "\n"
    "Options:\n"
    "  -h, --help             Show this help and exit.\n"
    "  -V, --version          Show the version and exit.\n"
    "\n"
    "Exit status: 0 on success, 1 when the job failed (the reason is on standard error),\n"
    "2 when the command line is wrong.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "fpkestrova: %s\nTry 'fpkestrova --help' for more information.\n",
               message.c_str());
  return kestrova::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");
  const std::string& command = args[0];
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage.data(), stdout);
    return kestrova::kExitSuccess;
  }
  if (command == "-V" || command == "--version") {
    std::printf("fpkestrova %s\n", KESTROVA_VERSION);
    return kestrova::kExitSuccess;
  }
  if (command == "preview") {
    if (args.size() != 3) return UsageError("preview takes a page and a mending file");
    return kestrova::RunPreviewCommand(args[1], args[2]);
  }
  return UsageError("unknown command '" + command + "'");
}
