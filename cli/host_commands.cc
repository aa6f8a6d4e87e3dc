#include "cli/host_commands.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "base/ascii.h"
#include "base/failure.h"
#include "base/hidden_password.h"
#include "cli/exit_codes.h"
#include "cli/linux_host.h"
#include "cli/publish_summary.h"
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

// A failure's description may carry what a server sent (an address, an entry): it is escaped,
// and an address in it shown without its password.
int ReportFailure(const Failure& failure) {
  std::fprintf(stderr, "fpkestrova: %s (error %d)\n",
               EscapeControlCharacters(HidePasswords(failure.description())).c_str(),
               failure.number());
  return kExitFailure;
}

}  // namespace

CurlTransferControl::Options TransferOptionsFor(const PublishFlags& flags) {
  CurlTransferControl::Options options;
  options.trusted_certificates_file = flags.ca_file;
  options.trusted_certificates_folder = flags.ca_path;
  if (!flags.ca_file.empty() || !flags.ca_path.empty()) return options;
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  options.trusted_certificates_file = variable("CURL_CA_BUNDLE");
  if (!options.trusted_certificates_file.empty()) return options;
  options.trusted_certificates_folder = variable("SSL_CERT_DIR");
  options.trusted_certificates_file = variable("SSL_CERT_FILE");
  return options;
}

int RunPublishCommand(const ConsoleOptions& options, const std::string& web_path,
                      const PublishFlags& flags) {
  const auto started = std::chrono::steady_clock::now();
  PublishSummary summary;
  summary.web = web_path;
  summary.dry_run = flags.dry_run;
  summary.given_destination = options.destination.value_or("");
  summary.destination = summary.given_destination;
  std::error_code error;
  bool ran = false;  // whether a publish was begun, whatever its end
  if (!std::filesystem::is_directory(web_path, error)) {
    std::fprintf(stderr, "fpkestrova: \"%s\" is not a folder holding a web.\n", web_path.c_str());
    summary.exit_code = kExitFailure;
    summary.failure = RecordedFailure{kErrPathNotFound,
                                      "\"" + web_path + "\" is not a folder holding a web.", ""};
  } else {
    try {
      bool cancel = false;
      ran = true;
      {
        PublishSettings settings = LinuxHost::DefaultSettings();
        if (flags.connections) settings.connections = *flags.connections;
        // A dry run is the publish itself with every write staged; the staging goes with the host.
        LinuxHost host(options, settings, flags.dry_run, TransferOptionsFor(flags));
        // The summary, the dry run's diffs and the closing line tell a mended page from an
        // unchanged one by its head before; only a quiet plain publish reads each page once.
        if (flags.json || flags.dry_run || !options.quiet) host.RecordPageHeads();
        cancel = host.OpenAndPublish(web_path, summary.destination);
        summary.record = host.record();
        summary.pages = PageOutcomes(summary.record.pages, web_path, host.files());
      }
      summary.failure = summary.record.failure;
      summary.exit_code = cancel ? kExitCancelled : kExitSuccess;
      if (cancel && !options.quiet) std::fputs("fpkestrova: publishing cancelled.\n", stderr);
    } catch (const Failure& failure) {
      summary.exit_code = ReportFailure(failure);
      summary.failure = RecordedFailure{failure.number(), failure.description(), failure.address()};
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "fpkestrova: %s\n",
                   EscapeControlCharacters(HidePasswords(failure.what())).c_str());
      summary.exit_code = kExitFailure;
      summary.failure = RecordedFailure{kErrPathFileAccess, failure.what(), ""};
    }
  }
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (ran && !options.quiet) std::fputs(ClosingLines(summary).c_str(), stderr);
  if (flags.json) {
    std::fputs(SummaryJson(summary).c_str(), stdout);
  } else if (flags.dry_run) {
    const std::string text = flags.stat ? PageStat(summary.pages) : PageDiffs(summary.pages);
    if (summary.exit_code != kExitFailure) std::fputs(text.c_str(), stdout);
  } else if (summary.exit_code == kExitSuccess) {
    // The destination may be line 2 of the server's inventory.
    std::printf("%s\n", EscapeControlCharacters(summary.destination).c_str());
  }
  return summary.exit_code;
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
