// The mend phase: reads the local inventory and, for every listed page of the web, rewrites the
// page's head from its mending file's head through the host's page windows, then saves the page.
#ifndef KESTROVA_PUBLISH_MEND_PHASE_H_
#define KESTROVA_PUBLISH_MEND_PHASE_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "host/application.h"
#include "publish/publish_services.h"

namespace kestrova {

// Told when a listed page was looked at: done of total entries, and whether it was mended (or
// passed over when missing).
using PageDoneCallback = std::function<void(std::size_t done, std::size_t total, bool mended)>;

// Told why a listed entry was passed over although its file exists, in a sentence for the user.
using PageNoteCallback = std::function<void(const std::string& sentence)>;

// Mends every page that the local inventory lists and that exists in the web at web_path as an
// HTML page (see mending/page_rule.h): an entry that is never a page, or whose file neither has a
// page's extension nor begins as HTML, is passed over as a missing page is, and on_note (when set)
// is told why. check_cancel raises PublishCancelled when the user has cancelled; it is asked
// before each page. on_page_done (when set) is told after each page. Raises errNothingMended when
// the inventory lists no entry at all (two lines), and any failure of the host or of the rewrite,
// which ends the phase; pages saved before stay saved as far as the host saved them at once
// (see host::Application::BeginPageChanges).
void RunMendPhase(host::Application& app, const PublishServices& services,
                  const std::string& web_path, const std::string& mend_path,
                  const std::function<void()>& check_cancel, const PageDoneCallback& on_page_done,
                  const PageNoteCallback& on_note = {});

// Tells services.mended_heads (when there is one) to forget the marks of the web's pages that
// inventory_lines (an inventory as the server sent it, the date line first) no longer lists.
void PruneMendedHeads(const PublishServices& services, const std::string& web_path,
                      const std::vector<std::string>& inventory_lines);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_MEND_PHASE_H_
