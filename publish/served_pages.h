// The live check of a site: whether the pages its server serves carry the mends of the web's
// local mend folder. Each listed page is asked of the server through a publish's fetcher, only
// its start is read (up to a little past its head), and the served head is rewritten against the
// page's mending head: a head that the rewrite leaves as it is carries its mend. Nothing is
// written anywhere.
#ifndef KESTROVA_PUBLISH_SERVED_PAGES_H_
#define KESTROVA_PUBLISH_SERVED_PAGES_H_

#include <string>
#include <vector>

#include "publish/fetcher.h"
#include "publish/local_inventory.h"
#include "publish/publish_services.h"

namespace kestrova {

enum class ServedResult {
  kMended,      // the served head carries its mend
  kStale,       // the mend would change the served head
  kMissing,     // the server answered 404 or 410
  kFailed,      // any other status, a failed request, a page over the cap, a malformed head
  kNotHtml,     // served with a type, or bytes, that make no page
  kPassedOver,  // not a page the mend phase mends: never asked of the server
};

// The name of a result as the user reads it: "mended", "stale", "missing", "failed",
// "not HTML", "passed over".
const char* ServedResultName(ServedResult result);

struct ServedPage {
  // The page's path inside the web, with '/' between folders, in inventory text.
  std::string page;
  // The address asked for; empty for a page passed over.
  std::string address;
  ServedResult result = ServedResult::kPassedOver;
  // The answer's status code; 0 when none came.
  int status = 0;
  // Why, for every result but mended: a sentence that may hold what the server sent, unescaped.
  std::string reason;
  // For a stale page: the served head's inner HTML, and what the mend would make of it.
  std::string served_head;
  std::string mended_head;
};

// The site's address a check asks: line 2 of the local inventory when it holds a web address, as
// it wins in a publish, otherwise given; empty when neither does.
std::string ServedSiteAddress(const LocalInventory& inventory, const std::string& given);

// The address of the page that entry (an inventory line as it is) names on the site at
// destination: each folder name of its page path escaped as a publish escapes an entry's name.
std::string ServedPageAddress(const std::string& destination, const std::string& entry);

// Checks every entry of inventory, the local inventory of the web at web_path, against the site at
// destination, in the inventory's order; empty lines are no page. A page passed over by the mend
// phase's rule is reported so and never asked for. The requests run over as many connections as
// the fetcher's settings allow (as streams of one connection over HTTP/2), each read until the
// served head has ended and then dropped. Raises what the local side does (an inventory or a
// mending file that cannot be read, an unsafe entry, a malformed mending head) and a cancel;
// what a request meets is the page's result.
std::vector<ServedPage> CheckServedPages(Fetcher& fetcher, const PublishServices& services,
                                         const std::string& web_path,
                                         const LocalInventory& inventory,
                                         const std::string& destination);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_SERVED_PAGES_H_
