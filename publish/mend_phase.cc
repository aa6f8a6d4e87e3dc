#include "publish/mend_phase.h"

#include <memory>

#include "mending/entry_paths.h"
#include "mending/head_rewrite.h"
#include "mending/inventory.h"
#include "mending/inventory_date.h"
#include "mending/page_rule.h"
#include "publish/listed_page.h"
#include "publish/local_inventory.h"

namespace kestrova {
namespace {

// Opens the mending file at mending_path in a page window, reads its head and closes the window
// unsaved.
MendingHead ReadMendingFile(host::Application& app, const std::string& mending_path) {
  app.LocatePage(mending_path, 0)->Activate();
  const std::shared_ptr<host::PageWindow> window = app.ActivePageWindow();
  MendingHead mending = ReadMendingHead(window->Document()->HeadInnerHtml());
  window->Close(false);
  return mending;
}

// Opens the page at page_path in a page window, rewrites its head against mending and saves it.
// A page whose head comes out as it was is neither written nor saved: the host would take a saved
// page for a changed one and publish it again. Changes the page already held unsaved are saved,
// as they would have been with the rewritten head.
//
// With a record (services.mended_heads), a page whose head reads exactly as it read back after
// the last mend from the same mending head counts as coming out as it was too. The record holds
// what the editor handed back right after the write, so it matches however the editor
// re-serialises, as long as it does so alike each time; comparing heads in a form of our own
// would have to guess the editor's rules (quoting, case, spaces, entities), and a wrong guess
// would write the page at every publish again or, worse, skip one that needs the mend.
//
// The mark is kept under the path the inventory lists (listed_path, in the web at web_path), also
// for a page that is a link, so that the marks of listed pages are the ones pruning keeps.
void MendPage(host::Application& app, const std::string& page_path, const MendingHead& mending,
              MendedHeads* record, const std::string& web_path, const std::string& listed_path) {
  app.LocatePage(page_path, 0)->Activate();
  const std::shared_ptr<host::PageWindow> window = app.ActivePageWindow();
  const std::string old_head = window->Document()->HeadInnerHtml();
  if (record != nullptr &&
      record->Find(web_path, listed_path) == MendedHeadMark(mending.elements, old_head)) {
    window->Close(window->IsDirty());
    return;
  }
  const std::string new_head = RewritePageHead(old_head, mending);
  if (new_head == old_head) {
    window->Close(window->IsDirty());
    return;
  }
  try {
    window->Document()->SetHeadInnerHtml(new_head);
  } catch (const Failure&) {
    // The editor refused the head. A page that the refusal left without unsaved changes is
    // closed, so that no window of ours stays open; one holding the user's own edits stays open
    // for the user. The refusal is what the user must learn of, not a failing close.
    try {
      if (!window->IsDirty()) window->Close(false);
    } catch (const Failure&) {
    }
    throw;
  }
  const std::string written =
      record != nullptr ? window->Document()->HeadInnerHtml() : std::string();
  window->Close(true);
  if (record != nullptr) {
    record->Keep(web_path, listed_path, MendedHeadMark(mending.elements, written));
  }
}

// Runs step, which works on the file at path. A failure on the way whose description does not
// name the file yet is raised again with the path on a line before it, so that the user learns
// which of the web's files it is about.
template <typename Step>
auto AboutFile(const std::string& path, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const Failure& failure) {
    if (failure.description().find(path) != std::string::npos) throw;
    throw Failure(failure.number(), failure.source(), path + "\r\n" + failure.description(),
                  failure.address());
  }
}

}  // namespace

void RunMendPhase(host::Application& app, const PublishServices& services,
                  const std::string& web_path, const std::string& mend_path,
                  const std::function<void()>& check_cancel, const PageDoneCallback& on_page_done,
                  const PageNoteCallback& on_note) {
  const LocalInventory inventory = ReadLocalInventory(services, mend_path);
  if (inventory.entries.empty()) {
    RaiseProgramError(errNothingMended, "There are no files being mended for this site.");
  }
  const std::size_t total = inventory.entries.size();
  for (std::size_t index = 1; index <= total; ++index) {
    check_cancel();
    const std::string entry = services.inventory_text(inventory.entries[index - 1]);
    bool mended = false;
    if (!entry.empty()) {
      // The local inventory came from the server too: its entries pass the same test before
      // they name a file.
      CheckEntryIsSafe(entry);
      const std::string page_path = EntryPagePath(web_path, entry);
      const ListedPageFile page = FindListedPage(services.files, web_path, entry);
      if (page.file.empty()) {
        // A missing page is passed over without a word, any other with a sentence.
        if (!page.missing && on_note) {
          on_note("Passed over " + EntryRelativePagePath(entry) + ": " + page.passed_over);
        }
      } else {
        const std::string mending_path = EntryMendingFilePath(mend_path, entry);
        const std::string mending_file =
            MendFolderFile(services.files, mend_path, mending_path, "read");
        const MendingHead mending =
            AboutFile(mending_path, [&] { return ReadMendingFile(app, mending_file); });
        // A page that is a link is mended where the link leads, and stays a link.
        AboutFile(page_path, [&] {
          MendPage(app, page.file, mending, services.mended_heads, web_path, page_path);
        });
        mended = true;
      }
    }
    if (on_page_done) on_page_done(index, total, mended);
  }
}

void PruneMendedHeads(const PublishServices& services, const std::string& web_path,
                      const std::vector<std::string>& inventory_lines) {
  if (services.mended_heads == nullptr) return;
  std::vector<std::string> listed;
  for (std::size_t k = kFirstEntryLine; k < inventory_lines.size(); ++k) {
    if (inventory_lines[k].empty()) continue;
    listed.push_back(EntryPagePath(web_path, services.inventory_text(inventory_lines[k])));
  }
  services.mended_heads->Prune(web_path, listed);
}

}  // namespace kestrova
