// fpkestrova: the Linux host of the Kestrova add-in.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/demo_command.h"
#include "cli/exit_codes.h"
#include "cli/host_commands.h"
#include "cli/preview_command.h"

namespace {

using kestrova::ConsoleOptions;

constexpr std::string_view kUsage =
    "Usage: fpkestrova [OPTIONS] COMMAND [ARGUMENTS]\n"
    "\n"
    "Applies the mends that the Kestrova service prepared for a web site to the site's local\n"
    "pages before they are published.\n"
    "\n"
    "Commands:\n"
    "  publish WEB            Prepare the web in folder WEB for publishing: fetch the service's\n"
    "                         mending files from the site's server into WEB/kestrova when they\n"
    "                         are newer, and mend the head of every listed page. Prints the\n"
    "                         destination to publish to.\n"
    "  preview PAGE MENDING   Print PAGE with its head rewritten from the head of the mending\n"
    "                         file MENDING. Neither file is changed.\n"
    "  demo                   Publish a copy of the bundled example web against the bundled\n"
    "                         service folder served from 127.0.0.1, showing the heads before\n"
    "                         and after.\n"
    "  menu                   Show the Kestrova menu the add-in adds to the menu bar.\n"
    "  about                  The About box.\n"
    "  register               Open the Kestrova subscription page.\n"
    "  demo-mend              The menu's Demo mend command.\n"
    "\n"
    "Options:\n"
    "  --destination URL      The site's address: the destination the host passes, and the\n"
    "                         answer when the site's address is asked for.\n"
    "  --on-missing=ANSWER    The answer when the site has no mends on the server or none\n"
    "                         for any page: 'publish' goes on without them, 'cancel' stops\n"
    "                         publishing. Without it, a terminal asks; without a terminal,\n"
    "                         publishing stops.\n"
    "  --examples DIR         The folder holding the demo's web/ and service/ folders.\n"
    "  -q, --quiet            Print only questions and failures.\n"
    "  -v, --verbose          Print every state of every request.\n"
    "  -h, --help             Show this help and exit.\n"
    "  -V, --version          Show the version and exit.\n"
    "\n"
    "Exit status: 0 on success (for publish: publishing may go on), 1 when the job failed (the\n"
    "reason is on standard error), 2 when the command line is wrong, 3 when publishing must not\n"
    "go on (cancelled by the user, by a failure, or at the address prompt).\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "fpkestrova: %s\nTry 'fpkestrova --help' for more information.\n",
               message.c_str());
  return kestrova::kExitUsage;
}

struct CommandLine {
  ConsoleOptions options;
  std::string examples_dir = KESTROVA_EXAMPLES_DIR;
  std::vector<std::string> words;  // the command and its arguments
  bool help = false;
  bool version = false;
  std::string error;
};

CommandLine Parse(const std::vector<std::string>& args) {
  CommandLine line;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    // Takes the value of an option given as "--name VALUE" or "--name=VALUE".
    auto value_of = [&](std::string_view name) -> std::optional<std::string> {
      const std::string with_equals = std::string(name) + "=";
      if (arg.rfind(with_equals, 0) == 0) return arg.substr(with_equals.size());
      if (arg != name) return std::nullopt;
      if (k + 1 >= args.size()) {
        line.error = std::string(name) + " needs a value";
        return std::nullopt;
      }
      return args[++k];
    };
    if (arg == "-h" || arg == "--help") {
      line.help = true;
    } else if (arg == "-V" || arg == "--version") {
      line.version = true;
    } else if (arg == "-q" || arg == "--quiet") {
      line.options.quiet = true;
    } else if (arg == "-v" || arg == "--verbose") {
      line.options.verbose = true;
    } else if (auto destination = value_of("--destination")) {
      line.options.destination = *destination;
    } else if (auto answer = value_of("--on-missing")) {
      if (*answer == "publish") {
        line.options.on_missing = kestrova::OnMissing::kPublish;
      } else if (*answer == "cancel") {
        line.options.on_missing = kestrova::OnMissing::kCancel;
      } else {
        line.error = "--on-missing takes 'publish' or 'cancel'";
      }
    } else if (auto examples = value_of("--examples")) {
      line.examples_dir = *examples;
    } else if (!line.error.empty()) {
      break;
    } else if (arg.size() > 1 && arg[0] == '-' && line.words.empty()) {
      line.error = "unknown option '" + arg + "'";
    } else {
      line.words.push_back(arg);
    }
    if (!line.error.empty()) break;
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const CommandLine line = Parse(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty()) return UsageError(line.error);
  if (line.help) {
    std::fputs(kUsage.data(), stdout);
    return kestrova::kExitSuccess;
  }
  if (line.version) {
    std::printf("fpkestrova %s\n", KESTROVA_VERSION);
    return kestrova::kExitSuccess;
  }
  if (line.words.empty()) return UsageError("no command given");
  const std::string& command = line.words[0];
  const std::size_t arguments = line.words.size() - 1;
  auto expect = [&](std::size_t count, const char* what) -> bool {
    if (arguments == count) return true;
    UsageError(command + " " + what);
    return false;
  };
  if (command == "help") {
    std::fputs(kUsage.data(), stdout);
    return kestrova::kExitSuccess;
  }
  if (command == "preview") {
    if (!expect(2, "takes a page and a mending file")) return kestrova::kExitUsage;
    return kestrova::RunPreviewCommand(line.words[1], line.words[2]);
  }
  if (command == "publish") {
    if (!expect(1, "takes the folder of the web")) return kestrova::kExitUsage;
    return kestrova::RunPublishCommand(line.options, line.words[1]);
  }
  if (command == "demo") {
    if (!expect(0, "takes no arguments")) return kestrova::kExitUsage;
    return kestrova::RunDemoCommand(line.options, line.examples_dir);
  }
  if (command == "menu") {
    if (!expect(0, "takes no arguments")) return kestrova::kExitUsage;
    return kestrova::RunMenuCommand(line.options);
  }
  if (command == "about" || command == "register" || command == "demo-mend") {
    if (!expect(0, "takes no arguments")) return kestrova::kExitUsage;
    const std::string_view caption = command == "about"      ? "About"
                                     : command == "register" ? "Register"
                                                             : "Demo mend";
    return kestrova::RunClickCommand(line.options, caption);
  }
  return UsageError("unknown command '" + command + "'");
}
