#include "cli/publish_summary.h"

#include <cstdio>

#include "base/ascii.h"
#include "base/hidden_password.h"
#include "cli/json_text.h"
#include "cli/unified_diff.h"

namespace kestrova {
namespace {

std::string Diff(const PageOutcome& page) {
  const std::string name = EscapeControlCharacters(page.page);
  return UnifiedDiff(page.head_before, page.head_after, "a/" + name, "b/" + name);
}

std::size_t Count(const std::vector<PageOutcome>& pages, PageResult result) {
  std::size_t count = 0;
  for (const PageOutcome& page : pages) {
    if (page.result == result) ++count;
  }
  return count;
}

// "1 page", "2 pages".
std::string Counted(std::uint64_t count, const char* thing) {
  return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

// " (3 fetched and dropped)" after the files stored, when a download that did not finish dropped
// some; empty otherwise.
std::string Dropped(const PublishRecord& record) {
  if (record.entries_dropped == 0) return {};
  return " (" + std::to_string(record.entries_dropped) + " fetched and dropped)";
}

}  // namespace

std::string ClosingLines(const PublishSummary& summary) {
  std::string lines;
  // Only the local inventory replaces an address that was one: the prompt asks only for a
  // destination that is no web address.
  const bool given_was_address = summary.given_destination.find("://") != std::string::npos;
  if (given_was_address && !summary.destination.empty() &&
      summary.destination != summary.given_destination) {
    lines += "fpkestrova: the destination is " +
             EscapeControlCharacters(HidePasswords(summary.destination)) +
             ", from line 2 of the local inventory, instead of " +
             EscapeControlCharacters(HidePasswords(summary.given_destination)) + " as given.\n";
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", summary.seconds);
  lines += "fpkestrova: " + Counted(Count(summary.pages, PageResult::kMended), "page") +
           " mended, " + std::to_string(Count(summary.pages, PageResult::kUnchanged)) +
           " unchanged, " + std::to_string(Count(summary.pages, PageResult::kPassedOver)) +
           " passed over; " + Counted(summary.record.entries_stored, "mending file") + " stored" +
           Dropped(summary.record) + ", " + Counted(summary.record.bytes_received, "byte") +
           " received; " + seconds + " seconds.\n";
  return lines;
}

std::string FailureJson(const std::optional<RecordedFailure>& failure) {
  if (!failure) return "null";
  return "{\"number\":" + std::to_string(failure->number) +
         ",\"description\":" + JsonString(HidePasswords(failure->description)) +
         ",\"address\":" + JsonString(HidePasswords(failure->address)) + "}";
}

std::string SummaryJson(const PublishSummary& summary) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f", summary.seconds);
  std::string json =
      "{\"web\":" + JsonString(summary.web) +
      ",\"destination\":" + JsonString(HidePasswords(summary.destination)) +
      ",\"dry_run\":" + (summary.dry_run ? "true" : "false") +
      ",\"exit_code\":" + std::to_string(summary.exit_code) +
      ",\"publishing_may_go_on\":" + (summary.exit_code == 0 ? "true" : "false") +
      ",\"entries_downloaded\":" + std::to_string(summary.record.entries_stored) +
      ",\"entries_on_server\":" + std::to_string(summary.record.entries_listed) +
      ",\"entries_dropped\":" + std::to_string(summary.record.entries_dropped) +
      ",\"bytes_received\":" + std::to_string(summary.record.bytes_received) +
      ",\"pages_mended\":" + std::to_string(Count(summary.pages, PageResult::kMended)) +
      ",\"pages_unchanged\":" + std::to_string(Count(summary.pages, PageResult::kUnchanged)) +
      ",\"pages_passed_over\":" + std::to_string(Count(summary.pages, PageResult::kPassedOver)) +
      ",\"pages\":[";
  bool first = true;
  for (const PageOutcome& page : summary.pages) {
    json += std::string(first ? "" : ",") + "{\"page\":" + JsonString(page.page) +
            ",\"result\":" + JsonString(PageResultName(page.result));
    if (page.result == PageResult::kPassedOver) json += ",\"reason\":" + JsonString(page.reason);
    if (summary.dry_run && page.result == PageResult::kMended) {
      json += ",\"diff\":" + JsonString(Diff(page));
    }
    json += "}";
    first = false;
  }
  json += std::string("],\"seconds\":") + seconds + ",\"failure\":";
  return json + FailureJson(summary.failure) + "}\n";
}

std::string PageDiffs(const std::vector<PageOutcome>& pages) {
  std::string diffs;
  for (const PageOutcome& page : pages) {
    if (page.result == PageResult::kMended) diffs += Diff(page);
  }
  return diffs;
}

std::string PageStat(const std::vector<PageOutcome>& pages) {
  std::string stat;
  for (const PageOutcome& page : pages) {
    stat += EscapeControlCharacters(page.page) + " | ";
    if (page.result == PageResult::kMended) {
      const DiffCounts counts = CountDiffLines(page.head_before, page.head_after);
      stat.append("+").append(std::to_string(counts.added));
      stat.append(" -").append(std::to_string(counts.removed));
    } else if (page.result == PageResult::kUnchanged) {
      stat += "unchanged";
    } else {
      stat += "passed over: " + EscapeControlCharacters(page.reason);
    }
    stat += "\n";
  }
  return stat + std::to_string(Count(pages, PageResult::kMended)) + " mended, " +
         std::to_string(Count(pages, PageResult::kUnchanged)) + " unchanged, " +
         std::to_string(Count(pages, PageResult::kPassedOver)) + " passed over\n";
}

}  // namespace kestrova
