#include "cli/page_outcomes.h"

#include <optional>

#include "base/failure.h"
#include "mending/entry_paths.h"
#include "mending/head_locator.h"
#include "mending/inventory.h"
#include "publish/local_inventory.h"

namespace kestrova {
namespace {

// The head's inner HTML of the page at path as files read it; nothing when it cannot be read.
std::optional<std::string> ReadHead(FileSystem& files, const std::string& path) {
  try {
    const std::string bytes = files.ReadWholeFile(path);
    return std::string(HeadInnerHtml(bytes, LocateHead(bytes)));
  } catch (const Failure&) {
    return std::nullopt;
  }
}

}  // namespace

std::vector<ListedPage> ListPages(const PublishServices& services, const std::string& web_path) {
  std::vector<ListedPage> pages;
  LocalInventory inventory;
  try {
    inventory = ReadLocalInventory(services, MendFolderPath(web_path));
  } catch (const Failure&) {
    return pages;
  }
  for (std::string& entry : inventory.entries) {
    ListedPage page;
    page.entry = std::move(entry);
    if (!page.entry.empty() && UnsafeEntryReason(page.entry).empty()) {
      page.head_before = ReadHead(services.files, EntryPagePath(web_path, page.entry, '/'));
    }
    pages.push_back(std::move(page));
  }
  return pages;
}

std::vector<PageOutcome> PageOutcomes(const std::vector<ListedPage>& pages,
                                      const std::string& web_path, FileSystem& files) {
  std::vector<PageOutcome> outcomes;
  for (const ListedPage& page : pages) {
    // An empty line names no file: it is no page to report.
    if (!page.looked_at || page.entry.empty()) continue;
    PageOutcome outcome;
    outcome.page = EntryRelativePagePath(page.entry, '/');
    if (!page.mended) {
      outcome.result = PageResult::kPassedOver;
      // The note names the page already: "Passed over PAGE: why".
      const std::string named = "Passed over " + outcome.page + ": ";
      outcome.reason = page.note.starts_with(named)   ? page.note.substr(named.size())
                       : !page.note.empty()           ? page.note
                       : page.head_before.has_value() ? "The page could not be read."
                                                      : "There is no such page in the web.";
      outcomes.push_back(std::move(outcome));
      continue;
    }
    outcome.head_before = page.head_before.value_or("");
    outcome.head_after = ReadHead(files, EntryPagePath(web_path, page.entry, '/')).value_or("");
    outcome.result =
        outcome.head_after == outcome.head_before ? PageResult::kUnchanged : PageResult::kMended;
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

const char* PageResultName(PageResult result) {
  switch (result) {
    case PageResult::kMended:
      return "mended";
    case PageResult::kUnchanged:
      return "unchanged";
    case PageResult::kPassedOver:
      break;
  }
  return "passed over";
}

}  // namespace kestrova
