// The listed pages of a publish and what became of each: read before the mend phase writes, and
// compared with the files after it.
#ifndef KESTROVA_CLI_PAGE_OUTCOMES_H_
#define KESTROVA_CLI_PAGE_OUTCOMES_H_

#include <string>
#include <vector>

#include "cli/publish_record.h"
#include "publish/publish_services.h"

namespace kestrova {

// The entries of the local inventory of the web at web_path, each with its page's head as it is
// now when the page exists and can be read. Never raises: a local inventory that cannot be read
// lists nothing (the mend phase reports why).
std::vector<ListedPage> ListPages(const PublishServices& services, const std::string& web_path);

enum class PageResult { kMended, kUnchanged, kPassedOver };

struct PageOutcome {
  // The page's path inside the web, with '/' between folders.
  std::string page;
  PageResult result = PageResult::kPassedOver;
  // For a page passed over: why.
  std::string reason;
  // The head's inner HTML before and after the mend phase (for a changed page).
  std::string head_before;
  std::string head_after;
};

// What became of each page the mend phase looked at, with the web's files as files reads them now
// (in a dry run, as the publish staged them).
std::vector<PageOutcome> PageOutcomes(const std::vector<ListedPage>& pages,
                                      const std::string& web_path, FileSystem& files);

// The name of a result in the summary: "mended", "unchanged", "passed over".
const char* PageResultName(PageResult result);

}  // namespace kestrova

#endif  // KESTROVA_CLI_PAGE_OUTCOMES_H_
