// The mend store protocol: the service's folder "kestrova" on the customer's web server, and its
// copy inside the local web. Five steps, called by the publish driver in this order: local
// inventory read, probe, inventory fetch, freshness check, entry download. Every request goes
// through the status window's transfer control, one at a time.
#ifndef KESTROVA_PUBLISH_MEND_STORE_H_
#define KESTROVA_PUBLISH_MEND_STORE_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mending/inventory_date.h"
#include "publish/publish_services.h"
#include "ui/frm_mending.h"

namespace kestrova {

// The size of each piece of a body read from the transfer control.
inline constexpr std::size_t kChunkSize = 1024;

class MendStore {
 public:
  // window's transfer control makes the requests; check_cancel raises PublishCancelled when the
  // user has cancelled. Everything given must outlive the store.
  MendStore(FrmMending& window, PublishServices& services, std::function<void()> check_cancel);

  // When the local inventory (mend_path + "/inventory.txt") exists: returns its date (line 1)
  // and puts its line 2 into destination. Returns nothing when it does not exist.
  std::optional<DateTime> ReadLocalInventory(const std::string& mend_path,
                                             std::string& destination);

  // Asks the server for the head of destination + "/kestrova"; raises errNoMendFolder when the
  // status line holds "404".
  void Probe(const std::string& destination);

  // Gets the inventory from the address of the probe + "/inventory.txt" and returns its lines.
  std::vector<std::string> FetchInventory(const std::string& destination);

  // True when the mend folder must be downloaded: no local inventory (asked again now), or a
  // server date strictly later than the local one.
  bool DownloadNeeded(const std::string& mend_path, const std::optional<DateTime>& local_date,
                      const std::vector<std::string>& server_lines);

  // Stores every entry of the server's inventory in the local mend folder. An inventory.txt entry
  // is stored last, after every other entry has landed, so that the local inventory only claims
  // a folder that is complete.
  void DownloadEntries(const std::vector<std::string>& server_lines, const std::string& destination,
                       const std::string& mend_path);

 private:
  enum class Request { kProbe, kInventory, kEntry };

  // One request: address, operation, wait, last error, status line. Returns the status line.
  std::string RunRequest(Request kind, const std::string& url, const std::string& operation,
                         const std::string& destination, const std::string& entry);
  // Raises the recorded transfer failure, with the destination in front for the probe and the
  // inventory fetch.
  void RaiseRecordedFailure(Request kind, const std::string& destination);
  void StoreEntry(const std::string& entry, const std::string& destination,
                  const std::string& mend_path);

  FrmMending& window_;
  PublishServices& services_;
  std::function<void()> check_cancel_;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_MEND_STORE_H_
