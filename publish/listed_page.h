// Which file of the web a listed entry names for mending, and why one is passed over: the rule
// the mend phase applies to each entry, for whoever must choose the same pages without mending
// them (the live check of a site).
#ifndef KESTROVA_PUBLISH_LISTED_PAGE_H_
#define KESTROVA_PUBLISH_LISTED_PAGE_H_

#include <string>
#include <string_view>

#include "platform/files/file_system.h"

namespace kestrova {

struct ListedPageFile {
  // The file to mend: the page, or where it leads when it is a link inside the web; empty when
  // the entry is passed over.
  std::string file;
  // Why the entry is passed over, a sentence for the user ("it is not an HTML page."); empty
  // for a page.
  std::string passed_over;
  // True when the entry names no file of the web at all.
  bool missing = false;
};

// The page that entry (an inventory entry as inventory text, already checked safe) names in the
// web at web_path: passed over when there is no such file, when it is a link to a file outside
// the web, when the entry is never a page (see mending/page_rule.h), when the file is no text,
// and when neither its extension nor its first bytes make it HTML. Only the start of the file is
// read. A failure to read it is raised with the page's path in front of its description.
ListedPageFile FindListedPage(FileSystem& files, const std::string& web_path,
                              std::string_view entry);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_LISTED_PAGE_H_
