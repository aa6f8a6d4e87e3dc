#include "publish/mend_phase.h"

#include "mending/entry_paths.h"
#include "mending/head_rewrite.h"
#include "mending/inventory.h"
#include "mending/inventory_date.h"

namespace kestrova {
namespace {

// The head's inner HTML of the host's active page window.
std::string ActiveHead(host::Application& app) {
  return app.ActivePageWindow()->Document()->HeadInnerHtml();
}

}  // namespace

std::vector<std::string> ReadLocalInventoryLines(const PublishServices& services,
                                                 const std::string& mend_path) {
  const auto reader = services.files.OpenTextFile(InventoryPath(mend_path));
  services.convert_date(reader->ReadLine());
  std::vector<std::string> lines;
  while (!reader->AtEndOfStream()) lines.push_back(reader->ReadLine());
  return lines;
}

void RunMendPhase(host::Application& app, PublishServices& services, const std::string& web_path,
                  const std::string& mend_path, const std::function<void()>& check_cancel) {
  const std::vector<std::string> lines = ReadLocalInventoryLines(services, mend_path);
  if (lines.size() == 1) {
    RaiseProgramError(errNothingMended, "There are no files being mended for this site.");
  }
  // lines[0] is the site's address; every later line is an entry.
  const std::size_t total = lines.empty() ? 0 : lines.size() - 1;
  for (std::size_t index = 1; index < lines.size(); ++index) {
    check_cancel();
    const std::string& entry = lines[index];
    bool mended = false;
    if (!entry.empty()) {
      // The local inventory came from the server too: its entries pass the same test before
      // they name a file.
      CheckEntryIsSafe(entry);
      const std::string page_path = EntryPagePath(web_path, entry);
      if (services.files.FileExists(page_path)) {
        app.LocatePage(EntryMendingFilePath(mend_path, entry), 0)->Activate();
        const MendingHead mending = ReadMendingHead(ActiveHead(app));
        app.ActivePageWindow()->Close(false);

        app.LocatePage(page_path, 0)->Activate();
        const std::string new_head = RewritePageHead(ActiveHead(app), mending);
        app.ActivePageWindow()->Document()->SetHeadInnerHtml(new_head);
        app.ActivePageWindow()->Close(true);
        mended = true;
      }
    }
    if (services.progress != nullptr) services.progress->OnPageDone(index, total, mended);
  }
}

}  // namespace kestrova
