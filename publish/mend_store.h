// The mend store protocol: the service's folder "kestrova" on the customer's web server, and its
// copy inside the local web. Five steps, called by the publish driver in this order: local
// inventory read, probe, inventory fetch, freshness check, entry download. The first step needs
// no server; the other four belong to one run of a MendStore, which knows the site's address and
// the local mend folder. Every request goes through the fetcher: the probe and the inventory on
// Inet1, the mending files over as many connections as the settings allow.
#ifndef KESTROVA_PUBLISH_MEND_STORE_H_
#define KESTROVA_PUBLISH_MEND_STORE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "publish/fetcher.h"
#include "publish/local_inventory.h"
#include "publish/publish_services.h"
#include "publish/publish_settings.h"

namespace kestrova {

// The server's inventory as it came: its text, stored as the local inventory when its entries
// have landed, and its lines.
struct ServerInventory {
  std::string text;
  std::vector<std::string> lines;
};

class MendStore {
 public:
  // One run against the site at destination, with the local mend folder at mend_path. fetcher
  // makes the requests; on_entry_stored (when set) is told of each stored mending file: done of
  // total entries, and 0 of total when a failure or a cancel drops the files stored so far.
  // fetcher, services and settings must outlive the store.
  using EntryStoredCallback = std::function<void(std::size_t done, std::size_t total)>;
  MendStore(Fetcher& fetcher, const PublishServices& services, const PublishSettings& settings,
            std::string destination, std::string mend_path, EntryStoredCallback on_entry_stored);

  // Asks the server for the head of destination + "/kestrova"; raises errNoMendFolder when the
  // status line holds "404".
  void Probe();

  // Gets the inventory from the address of the probe + "/inventory.txt". It is fetched once: the
  // text whose date and entries decide the download is the text that is stored.
  ServerInventory FetchInventory();

  // True when the mend folder must be downloaded: no local inventory (asked again now), or a
  // server date strictly later than the local one.
  bool DownloadNeeded(const std::optional<DateTime>& local_date,
                      const std::vector<std::string>& server_lines);

  // Stores every entry of the server's inventory in the local mend folder, counting each. All or
  // nothing: every mending file waits under its temporary name until the last has arrived, and
  // only then do they all replace the old ones; a failure, a cancel or the cap before that leaves
  // the mend folder as it was. An inventory.txt entry is the inventory's own text, stored last,
  // after every other entry is in place, so that the local inventory only claims a folder that is
  // complete: a crash among the renames leaves the old inventory, and the next publish downloads
  // again.
  void DownloadEntries(const ServerInventory& inventory);

 private:
  enum class Request { kProbe, kInventory, kEntry };

  // Checks the status line of a request that has stopped executing and returns it.
  std::string CheckStatus(Fetcher::Slot slot, Request kind, const std::string& entry);
  // Fetches the mending files of entries into staged over up to as many connections as the
  // settings allow, counting each of total. The first failure or a cancel stops every request.
  void StageMendingFiles(const std::vector<std::string>& entries, std::size_t total,
                         FileTransaction& staged);
  void FetchOverConnections(const std::vector<std::string>& entries, std::size_t total,
                            FileTransaction& staged);
  // The name an entry gives its file, in the text the platform names files with.
  std::string Name(const std::string& entry) const;

  Fetcher& fetcher_;
  const PublishServices& services_;
  const PublishSettings& settings_;
  const std::string destination_;
  const std::string mend_path_;
  EntryStoredCallback on_entry_stored_;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_MEND_STORE_H_
