#include "publish/mend_phase.h"

#include <functional>
#include <memory>
#include <string>

#include "mending/entry_paths.h"
#include "mending/head_rewrite.h"
#include "mending/inventory.h"
#include "mending/inventory_date.h"
#include "mending/page_rule.h"
#include "publish/listed_page.h"
#include "publish/local_inventory.h"

namespace kestrova {
namespace {

// The host's active page window, which Activate of located has just made it: raises
// errWrongPageActive when the host made another window active, so that nothing is read from or
// written into a page other than the one located. The caller names the file.
std::shared_ptr<host::PageWindow> LocatedWindowActive(host::Application& app,
                                                      host::PageWindow& located) {
  std::shared_ptr<host::PageWindow> window = app.ActivePageWindow();
  if (!window->IsSameWindow(located)) {
    RaiseProgramError(errWrongPageActive,
                      "Another page window became active in place of this file's; nothing was "
                      "written into either.");
  }
  return window;
}

// Opens the mending file at mending_path in a page window, reads its head and closes the window
// unsaved.
//
// The head is read through the editor, also on a first publish where reading it from the disk
// would save half the windows: the rewrite works on heads as the editor hands them over (the
// file decoded by its own charset, entities and markup as the editor's tree gives them back),
// and a head of our own reading would put text into the page that differs from what the editor
// would have given wherever the two readings differ. Later publishes open neither file of a
// page that did not change (see PageUnchangedSinceMark), so the saving would be one-off.
MendingHead ReadMendingFile(host::Application& app, const std::string& mending_path) {
  const std::shared_ptr<host::PageWindow> located = app.LocatePage(mending_path, 0);
  located->Activate();
  const std::shared_ptr<host::PageWindow> window = LocatedWindowActive(app, *located);
  MendingHead mending = ReadMendingHead(window->Document()->HeadInnerHtml());
  window->Close(false);
  return mending;
}

// A page's mark as the record keeps it: the mark of its head as the editor handed it back after
// the mend (MendedHeadMark, two words), then the digests of the page's file as it lay on the disk
// once its window had closed and of the mending file (FileBytesDigest, two words). A mark kept by
// an earlier version has no file digests.
struct PageMark {
  std::string head;
  std::string files;
};

PageMark SplitPageMark(const std::string& mark) {
  const std::size_t first = mark.find(' ');
  const std::size_t second = first == std::string::npos ? first : mark.find(' ', first + 1);
  if (second == std::string::npos) return {mark, {}};
  return {mark.substr(0, second), mark.substr(second + 1)};
}

// The file digests of a page's mark for the page's file at page_file and the mending file at
// mending_file as they lie on the disk now; empty when either cannot be read (the page then has
// no file digests to be passed over by, and is opened as before).
std::string FileDigests(FileSystem& files, const std::string& page_file,
                        const std::string& mending_file) {
  try {
    return FileBytesDigest(files.ReadWholeFile(page_file)) + " " +
           FileBytesDigest(files.ReadWholeFile(mending_file));
  } catch (const Failure&) {
    return {};
  }
}

// Opens the page at page_path in a page window, rewrites its head against mending and saves it.
// A page whose head comes out as it was is neither written nor saved: the host would take a saved
// page for a changed one and publish it again. Changes the page already held unsaved are saved,
// as they would have been with the rewritten head.
//
// With a record (services.mended_heads), a page counts as coming out as it was too when its head
// reads exactly as it read back after the last mend from the same mending head, or when the window
// holds no unsaved changes and both files are as the mark has them (files_as_marked: an editor
// that changes a head as it saves hands back another head than it was given, but the file it
// saved is what the mark's file digest holds). The head's mark holds what the editor handed back
// right after the write, so it matches however the editor re-serialises, as long as it does so
// alike each time; comparing heads in a form of our own would have to guess the editor's rules
// (quoting, case, spaces, entities), and a wrong guess would write the page at every publish again
// or, worse, skip one that needs the mend.
//
// After the window has closed, the page's mark is kept with the digests of the page's file as the
// editor saved it (read from the disk after Close) and of the mending file (file_digests, called
// then), under the path the inventory lists (listed_path, in the web at web_path), also for a
// page that is a link, so that the marks of listed pages are the ones pruning keeps. A page left
// as it was is marked too, so that the next publish can pass it over unopened.
void MendPage(host::Application& app, const std::string& page_path, const MendingHead& mending,
              MendedHeads* record, const std::string& web_path, const std::string& listed_path,
              const PageMark& mark, bool files_as_marked,
              const std::function<std::string()>& file_digests,
              const std::function<void()>& check_cancel) {
  const std::shared_ptr<host::PageWindow> located = app.LocatePage(page_path, 0);
  // Opening a page may run the host's messages: a cancel (FrontPage quitting, say) that came
  // meanwhile stops the publish before anything is written.
  check_cancel();
  located->Activate();
  const std::shared_ptr<host::PageWindow> window = LocatedWindowActive(app, *located);
  const std::string old_head = window->Document()->HeadInnerHtml();
  std::string head_mark = MendedHeadMark(mending.elements, old_head);
  const auto keep = [&] {
    if (record == nullptr) return;
    const std::string digests = file_digests();
    record->Keep(web_path, listed_path, digests.empty() ? head_mark : head_mark + " " + digests);
  };
  if (record != nullptr && (mark.head == head_mark || (files_as_marked && !window->IsDirty()))) {
    head_mark = mark.head;
    window->Close(window->IsDirty());
    keep();
    return;
  }
  const std::string new_head = RewritePageHead(old_head, mending);
  if (new_head == old_head) {
    window->Close(window->IsDirty());
    keep();
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
  if (record != nullptr) {
    head_mark = MendedHeadMark(mending.elements, window->Document()->HeadInnerHtml());
  }
  window->Close(true);
  keep();
}

// True when the page's mark has file digests, the page's file (page_file, which the listed
// page_path may be a link to) and its mending file are as the mark has them, and no page window
// may hold the page: opening both would only find the page as the last publish left it.
bool PageUnchangedSinceMark(host::Application& app, const PageMark& mark,
                            const std::string& current_digests, const std::string& page_path,
                            const std::string& page_file) {
  return !mark.files.empty() && current_digests == mark.files && !app.PageMayBeOpen(page_file) &&
         (page_path == page_file || !app.PageMayBeOpen(page_path));
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
        MendedHeads* const record = services.mended_heads;
        const PageMark mark =
            record != nullptr ? SplitPageMark(record->Find(web_path, page_path)) : PageMark{};
        // The files are read for a mark that has their digests only: on a first publish they are
        // read once, after the page is saved.
        const std::string digests = mark.files.empty()
                                        ? std::string()
                                        : FileDigests(services.files, page.file, mending_file);
        if (!PageUnchangedSinceMark(app, mark, digests, page_path, page.file)) {
          const MendingHead mending =
              AboutFile(mending_path, [&] { return ReadMendingFile(app, mending_file); });
          // A page that is a link is mended where the link leads, and stays a link.
          AboutFile(page_path, [&] {
            MendPage(
                app, page.file, mending, record, web_path, page_path, mark,
                !digests.empty() && digests == mark.files,
                [&] { return FileDigests(services.files, page.file, mending_file); }, check_cancel);
          });
        }
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
