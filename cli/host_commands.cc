#include "cli/host_commands.h"

#include <cstdio>
#include <filesystem>

#include "base/ascii.h"
#include "base/failure.h"
#include "cli/exit_codes.h"
#include "cli/linux_host.h"
#include "ui/console/console_text.h"

namespace kestrova {
namespace {

// A caption without its keyboard-accelerator marks.
std::string PlainCaption(const std::string& caption) {
  std::string plain;
  for (const char c : caption) {
    if (c != '&') plain.push_back(c);
  }
  return plain;
}

// A failure's description may carry what a server sent (an address, an entry): it is escaped.
int ReportFailure(const Failure& failure) {
  std::fprintf(stderr, "fpkestrova: %s (error %d)\n",
               EscapeControlCharacters(failure.description()).c_str(), failure.number());
  return kExitFailure;
}

}  // namespace

int RunPublishCommand(const ConsoleOptions& options, const std::string& web_path) {
  std::error_code error;
  if (!std::filesystem::is_directory(web_path, error)) {
    std::fprintf(stderr, "fpkestrova: \"%s\" is not a folder holding a web.\n", web_path.c_str());
    return kExitFailure;
  }
  try {
    std::string destination = options.destination.value_or("");
    bool cancel = false;
    {
      LinuxHost host(options);
      cancel = host.OpenAndPublish(web_path, destination);
    }
    if (cancel) {
      if (!options.quiet) std::fputs("fpkestrova: publishing cancelled.\n", stderr);
      return kExitCancelled;
    }
    // The destination may be line 2 of the server's inventory.
    std::printf("%s\n", EscapeControlCharacters(destination).c_str());
    return kExitSuccess;
  } catch (const Failure& failure) {
    return ReportFailure(failure);
  }
}

int RunMenuCommand(const ConsoleOptions& options) {
  try {
    LinuxHost host(options);
    const auto& bar = host.application().local_command_bars()->menu_bar();
    std::printf("%s:\n", bar->Name().c_str());
    for (const auto& control : bar->local_controls()->controls()) {
      std::printf("  %s\n", PlainCaption(control->Caption()).c_str());
      if (control.get() != host.addin().ksvMenuPopup().get()) continue;
      const auto items = control->Controls();
      for (std::int32_t k = 1; k <= items->Count(); ++k) {
        const auto item = items->Item(k);
        std::printf("    %s%s\n", PlainCaption(item->Caption()).c_str(),
                    item->Enabled() ? "" : " (disabled until a web is opened)");
      }
    }
    return kExitSuccess;
  } catch (const Failure& failure) {
    return ReportFailure(failure);
  }
}

int RunClickCommand(const ConsoleOptions& options, std::string_view caption) {
  try {
    LinuxHost host(options);
    FPKestrova& addin = host.addin();
    const auto& button = caption == kAboutCaption      ? addin.ksvMenuAbout()
                         : caption == kRegisterCaption ? addin.ksvMenuRegister()
                                                       : addin.ksvMenuDemo();
    if (button.get() == addin.ksvMenuDemo().get()) host.OpenWeb(".");
    auto* local = dynamic_cast<host::LocalCommandBarControl*>(button.get());
    if (local == nullptr || !local->Click()) {
      std::fprintf(stderr, "fpkestrova: the menu command \"%s\" is not available.\n",
                   std::string(caption).c_str());
      return kExitFailure;
    }
    return kExitSuccess;
  } catch (const Failure& failure) {
    return ReportFailure(failure);
  }
}

}  // namespace kestrova
