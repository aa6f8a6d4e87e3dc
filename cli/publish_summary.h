// What fpkestrova publish prints at the end for a script or a reviewer: the JSON summary, and the
// dry run's diffs or one line per page; and for the person at the terminal, the closing lines.
#ifndef KESTROVA_CLI_PUBLISH_SUMMARY_H_
#define KESTROVA_CLI_PUBLISH_SUMMARY_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/page_outcomes.h"
#include "cli/publish_record.h"

namespace kestrova {

struct PublishSummary {
  std::string web;
  // The destination given (--destination; empty when none was), and the one published to.
  std::string given_destination;
  std::string destination;
  bool dry_run = false;
  int exit_code = 0;
  double seconds = 0;
  PublishRecord record;
  std::vector<PageOutcome> pages;
  // The failure that ended the run: the one the add-in reported, or the one the host met.
  std::optional<RecordedFailure> failure;
};

// The lines that close a publish on the terminal: when the local inventory's line 2 replaced the
// destination given, one saying so; then the pages mended, unchanged and passed over, the mending
// files stored (and those fetched and dropped by a download that did not finish) with the bytes
// received, and the seconds taken. Addresses are shown without their passwords; each line starts
// "fpkestrova: " and ends in LF.
std::string ClosingLines(const PublishSummary& summary);

// A failure as the JSON summaries give it: its number, description and address, passwords
// hidden; null for none.
std::string FailureJson(const std::optional<RecordedFailure>& failure);

// One JSON object on one line, ending in LF.
std::string SummaryJson(const PublishSummary& summary);

// The unified diff of the head of every page the mend changes, "a/PAGE" before and "b/PAGE"
// after.
std::string PageDiffs(const std::vector<PageOutcome>& pages);

// One line per page looked at ("PAGE | +3 -2", "PAGE | unchanged", "PAGE | passed over: why"),
// then a line of totals.
std::string PageStat(const std::vector<PageOutcome>& pages);

}  // namespace kestrova

#endif  // KESTROVA_CLI_PUBLISH_SUMMARY_H_
