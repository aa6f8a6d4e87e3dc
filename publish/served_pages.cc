#include "publish/served_pages.h"

#include <deque>
#include <optional>
#include <tuple>
#include <utility>

#include "base/ascii.h"
#include "mending/entry_paths.h"
#include "mending/head_locator.h"
#include "mending/head_rewrite.h"
#include "mending/inventory.h"
#include "mending/page_rule.h"
#include "platform/transfer/transfer_proxy.h"
#include "platform/transfer/url_encoding.h"
#include "publish/http_status.h"
#include "publish/listed_page.h"

namespace kestrova {
namespace {

// A page to ask for: its place in the results, its address and its mending head.
struct Asked {
  std::size_t index = 0;
  std::string entry;  // inventory text
  std::string address;
  MendingHead mending;
};

// The media type of the answer's Content-Type field, in lower case and without its parameters;
// empty when the header has none. The last field counts, as a browser counts it.
std::string MediaType(std::string_view header) {
  std::string type;
  std::size_t line_start = header.find('\n');
  while (line_start != std::string_view::npos && line_start + 1 < header.size()) {
    const std::size_t begin = line_start + 1;
    const std::size_t end = header.find('\n', begin);
    std::string_view line = header.substr(begin, end == std::string_view::npos ? end : end - begin);
    constexpr std::string_view kField = "content-type:";
    if (StartsWithIgnoringCase(line, kField)) {
      std::string_view value = line.substr(kField.size());
      value = value.substr(0, value.find(';'));
      while (!value.empty() && IsCSpace(value.front())) value.remove_prefix(1);
      while (!value.empty() && IsCSpace(value.back())) value.remove_suffix(1);
      type.clear();
      for (const char c : value) type += AsciiLower(c);
    }
    line_start = end;
  }
  return type;
}

// The types a server serves a page as; a type left out is no page's.
bool IsPageType(std::string_view type) {
  return type.empty() || type == "text/html" || type == "application/xhtml+xml";
}

// Whether start, the first bytes of a served body, is enough to judge the page: it shows that the
// bytes are no text, or where the head ends (mending/head_locator.h). Each look at the bytes
// walks them from the start, so looks come only each time the bytes have doubled: a head that
// never ends costs a few walks of the cap, not one for each piece.
class EnoughOfPage {
 public:
  bool operator()(std::string_view start) {
    if (start.size() < next_look_) return false;
    next_look_ = 2 * start.size();
    if (start.size() >= SniffLengthNeeded(start) && !WhatIsNotText(start).empty()) return true;
    return HeadHasEnded(start);
  }

 private:
  std::size_t next_look_ = 0;
};

// The mending head of entry in the mend folder at mend_path, read from the start of its file up
// to a little past the head, as the mend phase opens it.
MendingHead ReadEntryMendingHead(FileSystem& files, const std::string& mend_path,
                                 const std::string& entry) {
  const std::string path = EntryMendingFilePath(mend_path, entry);
  try {
    const std::string file = MendFolderFile(files, mend_path, path, "read");
    const std::string start = files.ReadFileStart(file, HeadHasEnded).bytes;
    const HeadLocation head = LocateHead(start);
    CheckHeadIsClosed(head);
    return ReadMendingHead(HeadInnerHtml(start, head));
  } catch (const Failure& failure) {
    if (failure.description().find(path) != std::string::npos) throw;
    throw Failure(failure.number(), failure.source(), path + "\r\n" + failure.description(),
                  failure.address());
  }
}

// Decides the result of page from its answer on slot, reading as much of the body as it needs.
void Judge(Fetcher& fetcher, Fetcher::Slot slot, const Asked& asked, ServedPage& page) {
  const std::string header = fetcher.Header(slot);
  const std::string status_line = StatusLine(header);
  page.status = StatusCode(status_line);
  if (page.status == kProxyAuthenticationRequired) {
    page.result = ServedResult::kFailed;
    page.reason = ProxyPasswordText(page.address, status_line);
    return;
  }
  if (page.status == 404 || page.status == 410) {
    page.result = ServedResult::kMissing;
    page.reason = "the server answered \"" + status_line + "\".";
    return;
  }
  if (page.status < 200 || page.status > 299) {
    page.result = ServedResult::kFailed;
    page.reason = "the server answered \"" + status_line + "\".";
    return;
  }
  if (const std::string type = MediaType(header); !IsPageType(type)) {
    page.result = ServedResult::kNotHtml;
    page.reason = "it is served as \"" + type + "\".";
    return;
  }
  std::string start;
  try {
    start = fetcher.ReadBodyStart(slot, EnoughOfPage());
  } catch (const Failure& failure) {
    page.result = ServedResult::kFailed;
    page.reason = failure.description();
    return;
  }
  if (const std::string_view what = WhatIsNotText(start); !what.empty()) {
    page.result = ServedResult::kNotHtml;
    page.reason = "it is not text but " + std::string(what) + ".";
    return;
  }
  if (ClassifyEntry(asked.entry) == EntryKind::kPageIfContentIsHtml && !BeginsAsHtml(start)) {
    page.result = ServedResult::kNotHtml;
    page.reason = "it does not begin as an HTML page.";
    return;
  }
  try {
    const HeadLocation head = LocateHead(start);
    CheckHeadIsClosed(head);
    std::string served(HeadInnerHtml(start, head));
    std::string mended = RewritePageHead(served, asked.mending);
    if (mended == served) {
      page.result = ServedResult::kMended;
      return;
    }
    page.result = ServedResult::kStale;
    page.reason = "the mend would change its head.";
    page.served_head = std::move(served);
    page.mended_head = std::move(mended);
  } catch (const Failure& failure) {
    page.result = ServedResult::kFailed;
    page.reason = failure.description();
  }
}

// Asks for every page of asked over the fetcher's connections, judging each answer into pages.
void AskAll(Fetcher& fetcher, const std::vector<Asked>& asked, std::vector<ServedPage>& pages) {
  if (asked.empty()) return;
  // The first page goes alone, on Inet1: its answer tells whether the server carries many
  // requests over one connection (HTTP/2), and so how many may run at once (see Fetcher::Open).
  std::vector<std::optional<std::size_t>> fetching(fetcher.Open(1));
  bool opened = false;
  std::size_t next = 0;
  std::size_t judged = 0;
  // Pages whose request was given up on a connection the server did not serve: they go first.
  std::deque<std::pair<std::size_t, Fetcher::EarlierAttempts>> again;
  while (judged < asked.size()) {
    if (!opened && judged > 0 && !fetching[0] && again.empty()) {
      fetching.resize(fetcher.Open(asked.size() - judged));
      opened = true;
    }
    for (std::size_t slot = 0; slot < fetching.size() && (next < asked.size() || !again.empty());
         ++slot) {
      if (fetching[slot] || fetcher.Retired(slot)) continue;
      std::size_t item = next;
      Fetcher::EarlierAttempts earlier;
      if (again.empty()) {
        ++next;
      } else {
        std::tie(item, earlier) = again.front();
        again.pop_front();
      }
      fetching[slot] = item;
      fetcher.Start(slot, asked[item].address, "get", earlier);
    }
    Fetcher::Slot slot = 0;
    try {
      slot = fetcher.WaitForAny();
    } catch (const Failure& failure) {
      // One page's request failed: the slot handed a page whose request is no longer started.
      std::optional<Fetcher::Slot> failed;
      for (Fetcher::Slot k = 0; k < fetching.size(); ++k) {
        if (fetching[k] && !fetcher.Started(k)) failed = k;
      }
      if (!failed) throw;
      ServedPage& page = pages[asked[*fetching[*failed]].index];
      page.result = ServedResult::kFailed;
      page.reason = failure.description();
      fetching[*failed].reset();
      ++judged;
      continue;
    }
    if (fetcher.GivenUp(slot)) {
      again.emplace_back(*fetching[slot], fetcher.GivenUpAttempts(slot));
      fetching[slot].reset();
      continue;
    }
    const Asked& item = asked[*fetching[slot]];
    Judge(fetcher, slot, item, pages[item.index]);
    fetching[slot].reset();
    ++judged;
  }
}

}  // namespace

const char* ServedResultName(ServedResult result) {
  switch (result) {
    case ServedResult::kMended:
      return "mended";
    case ServedResult::kStale:
      return "stale";
    case ServedResult::kMissing:
      return "missing";
    case ServedResult::kFailed:
      return "failed";
    case ServedResult::kNotHtml:
      return "not HTML";
    case ServedResult::kPassedOver:
      break;
  }
  return "passed over";
}

std::string ServedSiteAddress(const LocalInventory& inventory, const std::string& given) {
  const auto web_address = [](const std::string& text) {
    return text.find("http://") != std::string::npos || text.find("https://") != std::string::npos;
  };
  if (web_address(inventory.destination)) return inventory.destination;
  return web_address(given) ? given : std::string();
}

std::string ServedPageAddress(const std::string& destination, const std::string& entry) {
  std::string address = destination;
  const std::string path = EntryRelativePagePath(entry, '/');
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = path.find('/', begin);
    address += '/';
    address += EncodePathSegment(
        std::string_view(path).substr(begin, slash == std::string::npos ? slash : slash - begin));
    if (slash == std::string::npos) return address;
    begin = slash + 1;
  }
}

std::vector<ServedPage> CheckServedPages(Fetcher& fetcher, const PublishServices& services,
                                         const std::string& web_path,
                                         const LocalInventory& inventory,
                                         const std::string& destination) {
  const std::string mend_path = MendFolderPath(web_path);
  std::vector<ServedPage> pages;
  std::vector<Asked> asked;
  for (const std::string& line : inventory.entries) {
    if (line.empty()) continue;
    const std::string entry = services.inventory_text(line);
    // The local inventory came from the server: its entries pass the mend phase's test before
    // they name a file.
    CheckEntryIsSafe(entry);
    ServedPage page;
    page.page = EntryRelativePagePath(entry, '/');
    ListedPageFile listed = FindListedPage(services.files, web_path, entry);
    if (!listed.passed_over.empty()) {
      page.reason = std::move(listed.passed_over);
      pages.push_back(std::move(page));
      continue;
    }
    // The request carries the entry's own bytes, as the request for its mending file does.
    page.address = ServedPageAddress(destination, line);
    asked.push_back({pages.size(), entry, page.address,
                     ReadEntryMendingHead(services.files, mend_path, entry)});
    pages.push_back(std::move(page));
  }
  try {
    AskAll(fetcher, asked, pages);
  } catch (...) {
    fetcher.Cancel();
    fetcher.ReleaseExtra();
    throw;
  }
  fetcher.ReleaseExtra();
  return pages;
}

}  // namespace kestrova
