// Feeds arbitrary bytes to the head locator as a page. Nothing may crash or read out of bounds; the
// location must lie within the page; putting the head's own inner HTML back must give the page
// unchanged when it has a head start tag, and the page with only "<head>" and "</head>" added
// around the implied head when it has none; and a head that runs on to the end of the page must
// end there (or where an unfinished tag at the very end begins).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mending/head_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  const kestrova::HeadLocation where = kestrova::LocateHead(page);

  if (where.inner_begin > where.inner_end || where.inner_end > page.size()) std::abort();
  // An unclosed element runs on to the end of the page, or to a tag the page ends inside of.
  if (!where.unclosed_element.empty() && where.inner_end != page.size() &&
      page[where.inner_end] != '<') {
    std::abort();
  }
  if (where.has_start_tag && (where.inner_begin == 0 || page[where.inner_begin - 1] != '>')) {
    std::abort();
  }

  const std::string_view inner = kestrova::HeadInnerHtml(page, where);
  if (inner != page.substr(where.inner_begin, where.inner_end - where.inner_begin)) std::abort();

  const std::string same = kestrova::ReplaceHeadInnerHtml(page, where, inner);
  if (where.has_start_tag) {
    if (same != page) std::abort();
  } else {
    std::string expected(page.substr(0, where.inner_begin));
    expected += "<head>";
    expected += inner;
    expected += "</head>";
    expected += page.substr(where.inner_end);
    if (same != expected) std::abort();
  }

  // Every byte outside the head stays where the new inner HTML does not reach.
  const std::string replaced = kestrova::ReplaceHeadInnerHtml(page, where, "<title>x</title>");
  if (replaced.compare(0, where.inner_begin, page.substr(0, where.inner_begin)) != 0) std::abort();
  const std::string_view tail = page.substr(where.inner_end);
  if (replaced.size() < tail.size() ||
      replaced.compare(replaced.size() - tail.size(), tail.size(), tail) != 0) {
    std::abort();
  }
  return 0;
}
