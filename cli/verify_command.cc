#include "cli/verify_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "base/ascii.h"
#include "base/failure.h"
#include "base/hidden_password.h"
#include "cli/counting_transfer_control.h"
#include "cli/exit_codes.h"
#include "cli/host_commands.h"
#include "cli/json_text.h"
#include "cli/linux_host.h"
#include "cli/publish_record.h"
#include "cli/publish_summary.h"
#include "cli/unified_diff.h"
#include "mending/entry_paths.h"
#include "platform/files/posix/posix_file_system.h"
#include "platform/posix/desktop_browser.h"
#include "platform/pump/posix/poll_event_pump.h"
#include "platform/pump/posix/signal_cancel.h"
#include "platform/transfer/posix/curl_transfer_control.h"
#include "publish/fetcher.h"
#include "publish/local_inventory.h"
#include "publish/publish_cancelled.h"
#include "publish/served_pages.h"
#include "ui/console/console_user_interface.h"

namespace kestrova {
namespace {

struct VerifySummary {
  std::string web;
  std::string given_destination;
  std::string destination;
  std::vector<ServedPage> pages;
  std::uint64_t bytes_received = 0;
  double seconds = 0;
  int exit_code = kExitSuccess;
  std::optional<RecordedFailure> failure;
};

std::size_t Count(const std::vector<ServedPage>& pages, ServedResult result) {
  std::size_t count = 0;
  for (const ServedPage& page : pages) {
    if (page.result == result) ++count;
  }
  return count;
}

// text with each line break (CR LF, or a lone CR or LF) as one space, escaped for a terminal and
// without passwords: a reason may hold what the server sent.
std::string Shown(std::string_view text) {
  return EscapeControlCharacters(HidePasswords(OnOneLine(text)));
}

// Whether the page's result came from a status that names it ("missing (404)").
bool ShowsStatus(const ServedPage& page) {
  return page.status != 0 &&
         (page.result == ServedResult::kMissing ||
          (page.result == ServedResult::kFailed && (page.status < 200 || page.status > 299)));
}

// "PAGE | stale", "PAGE | missing (404)", "PAGE | not HTML: why", ending in LF.
std::string PageLine(const ServedPage& page) {
  std::string line = EscapeControlCharacters(page.page) + " | " + ServedResultName(page.result);
  if (ShowsStatus(page)) {
    line += " (" + std::to_string(page.status) + ")";
  } else if (page.result != ServedResult::kMended && page.result != ServedResult::kStale) {
    line += ": " + Shown(page.reason);
  }
  return line + "\n";
}

std::string Diff(const ServedPage& page) {
  const std::string name = EscapeControlCharacters(page.page);
  return UnifiedDiff(page.served_head, page.mended_head, "a/" + name, "b/" + name);
}

// "fpkestrova: 212 of 214 pages carry their mends; 1 stale, 1 missing; 0.8 seconds." and LF.
std::string ClosingLine(const VerifySummary& summary) {
  const std::size_t passed_over = Count(summary.pages, ServedResult::kPassedOver);
  const std::size_t checked = summary.pages.size() - passed_over;
  std::string line = "fpkestrova: " + std::to_string(Count(summary.pages, ServedResult::kMended)) +
                     " of " + std::to_string(checked) +
                     (checked == 1 ? " page carries its mend" : " pages carry their mends");
  std::string others;
  for (const ServedResult result : {ServedResult::kStale, ServedResult::kMissing,
                                    ServedResult::kNotHtml, ServedResult::kFailed}) {
    if (const std::size_t count = Count(summary.pages, result); count > 0) {
      others +=
          (others.empty() ? "; " : ", ") + std::to_string(count) + " " + ServedResultName(result);
    }
  }
  line += others;
  if (passed_over > 0) line += "; " + std::to_string(passed_over) + " passed over";
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", summary.seconds);
  return line + "; " + seconds + " seconds.\n";
}

std::string SummaryJson(const VerifySummary& summary, bool diffs) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", summary.seconds);
  const auto count = [&summary](ServedResult result) {
    return std::to_string(Count(summary.pages, result));
  };
  std::string json = "{\"web\":" + JsonString(summary.web) +
                     ",\"destination\":" + JsonString(HidePasswords(summary.destination)) +
                     ",\"exit_code\":" + std::to_string(summary.exit_code) +
                     ",\"pages_mended\":" + count(ServedResult::kMended) +
                     ",\"pages_stale\":" + count(ServedResult::kStale) +
                     ",\"pages_missing\":" + count(ServedResult::kMissing) +
                     ",\"pages_not_html\":" + count(ServedResult::kNotHtml) +
                     ",\"pages_failed\":" + count(ServedResult::kFailed) +
                     ",\"pages_passed_over\":" + count(ServedResult::kPassedOver) +
                     ",\"bytes_received\":" + std::to_string(summary.bytes_received) +
                     ",\"pages\":[";
  bool first = true;
  for (const ServedPage& page : summary.pages) {
    json += std::string(first ? "" : ",") + "{\"page\":" + JsonString(page.page) +
            ",\"result\":" + JsonString(ServedResultName(page.result));
    if (!page.address.empty()) json += ",\"address\":" + JsonString(HidePasswords(page.address));
    if (page.status != 0) json += ",\"status\":" + std::to_string(page.status);
    if (page.result != ServedResult::kMended) {
      json += ",\"reason\":" + JsonString(HidePasswords(page.reason));
    }
    if (diffs && page.result == ServedResult::kStale) json += ",\"diff\":" + JsonString(Diff(page));
    json += "}";
    first = false;
  }
  json += std::string("],\"seconds\":") + seconds + ",\"failure\":";
  return json + FailureJson(summary.failure) + "}\n";
}

// Reads the local inventory and asks the site for its pages, into summary.
void Verify(const ConsoleOptions& options, const PublishFlags& flags, VerifySummary& summary) {
  PublishSettings settings = LinuxHost::DefaultSettings();
  if (flags.connections) settings.connections = *flags.connections;
  const CurlTransferControl::Options transfer_options = TransferOptionsFor(flags);
  PollEventPump pump;
  // Shared, so that the pages go out as streams of one connection to an HTTP/2 server.
  const auto connections = std::make_shared<CurlConnections>(pump);
  const ScopedSignalCancel signal_cancel(pump);
  PosixFileSystem files;
  DesktopBrowser browser(stdout);
  LastError last_error;
  ConsoleUserInterface ui(options);
  const PublishServices services{
      ui, browser, pump, files, last_error, [&] {
        return std::make_unique<CountingTransferControl>(
            std::make_unique<CurlTransferControl>(connections, transfer_options),
            summary.bytes_received);
      }};
  const LocalInventory inventory = ReadLocalInventory(services, MendFolderPath(summary.web));
  summary.destination = ServedSiteAddress(inventory, summary.given_destination);
  if (summary.destination.empty()) {
    RaiseProgramError(kErrInvalidArgument,
                      "Neither line 2 of the local inventory nor --destination gives the site's "
                      "http:// or https:// address.");
  }
  if (!options.quiet && summary.given_destination.find("://") != std::string::npos &&
      summary.destination != summary.given_destination) {
    std::fprintf(stderr,
                 "fpkestrova: the site is %s, from line 2 of the local inventory, instead of %s "
                 "as given.\n",
                 Shown(summary.destination).c_str(), Shown(summary.given_destination).c_str());
  }
  bool cancelled = false;
  std::unique_ptr<Fetcher> fetcher;
  pump.SetCancelHandler([&] {
    cancelled = true;
    if (fetcher) fetcher->Cancel();
  });
  fetcher = std::make_unique<Fetcher>(services, settings, [&] {
    pump.DispatchCancelRequest();
    if (cancelled) throw PublishCancelled{};
  });
  try {
    summary.pages =
        CheckServedPages(*fetcher, services, summary.web, inventory, summary.destination);
  } catch (...) {
    pump.SetCancelHandler(nullptr);
    throw;
  }
  pump.SetCancelHandler(nullptr);
}

}  // namespace

int RunVerifyCommand(const ConsoleOptions& options, const std::string& web_path,
                     const PublishFlags& flags) {
  const auto started = std::chrono::steady_clock::now();
  VerifySummary summary;
  summary.web = web_path;
  summary.given_destination = options.destination.value_or("");
  std::error_code error;
  bool ran = false;
  if (!std::filesystem::is_directory(web_path, error)) {
    const std::string text = "\"" + web_path + "\" is not a folder holding a web.";
    summary.failure = RecordedFailure{kErrPathNotFound, text, ""};
  } else {
    try {
      Verify(options, flags, summary);
      ran = true;
    } catch (const PublishCancelled&) {
      summary.failure = RecordedFailure{kErrInvalidArgument, "The check was cancelled.", ""};
    } catch (const Failure& failure) {
      summary.failure = RecordedFailure{failure.number(), failure.description(), failure.address()};
    } catch (const std::exception& failure) {
      summary.failure = RecordedFailure{kErrPathFileAccess, failure.what(), ""};
    }
  }
  summary.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (summary.failure) {
    summary.exit_code = kExitFailure;
    std::fprintf(stderr, "fpkestrova: %s\n", Shown(summary.failure->description).c_str());
  } else if (Count(summary.pages, ServedResult::kFailed) > 0) {
    summary.exit_code = kExitFailure;
  } else if (Count(summary.pages, ServedResult::kMended) +
                 Count(summary.pages, ServedResult::kPassedOver) <
             summary.pages.size()) {
    summary.exit_code = kExitNotMended;
  }
  if (flags.json) {
    std::fputs(SummaryJson(summary, flags.diff).c_str(), stdout);
  } else {
    for (const ServedPage& page : summary.pages) {
      const bool quiet_result =
          page.result == ServedResult::kMended || page.result == ServedResult::kPassedOver;
      if (quiet_result && !options.verbose) continue;
      std::fputs(PageLine(page).c_str(), stdout);
      if (flags.diff && page.result == ServedResult::kStale) std::fputs(Diff(page).c_str(), stdout);
    }
  }
  if (ran && !options.quiet) std::fputs(ClosingLine(summary).c_str(), stderr);
  return summary.exit_code;
}

}  // namespace kestrova
