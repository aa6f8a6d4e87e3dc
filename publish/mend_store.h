// The mend store protocol: the service's folder "kestrova" on the customer's web server, and its
// copy inside the local web. Five steps, called by the publish driver in this order: local
// inventory read, probe, inventory fetch, freshness check, entry download. The first step needs
// no server; the other four belong to one run of a MendStore, which knows the site's address and
// the local mend folder. Every request goes through the status window's transfer control, one at
// a time.
#ifndef KESTROVA_PUBLISH_MEND_STORE_H_
#define KESTROVA_PUBLISH_MEND_STORE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "publish/publish_services.h"
#include "ui/frm_mending.h"

namespace kestrova {

// The size of each piece of a body read from the transfer control: as large as the control's
// buffer, so that a large mending file reaches the disk in few writes.
inline constexpr std::size_t kChunkSize = 64 * 1024;

// What the local inventory says: its date (line 1) and the site's address (line 2).
struct LocalInventory {
  DateTime date;
  std::string destination;
};

// Where the file at path in the mend folder at mend_path is read or written (what: "read" or
// "write"): path itself, or where it leads when it is a link to a file inside the mend folder;
// the file there is written in place and the link stays. A link that leads anywhere else (out of
// the mend folder, or nowhere) is refused with Failure 5 naming path: neither the server's bytes
// nor a stranger file's ever pass through it. A file that is not there is read as missing.
std::string MendFolderFile(FileSystem& files, const std::string& mend_path, const std::string& path,
                           std::string_view what);

// Reads the local inventory (mend_path + "/inventory.txt") when it exists; nothing when it does
// not.
std::optional<LocalInventory> ReadLocalInventory(const PublishServices& services,
                                                 const std::string& mend_path);

class MendStore {
 public:
  // One run against the site at destination, with the local mend folder at mend_path. window's
  // transfer control makes the requests; check_cancel raises PublishCancelled when the user has
  // cancelled. window, services and check_cancel must outlive the store.
  MendStore(FrmMending& window, PublishServices& services, std::string destination,
            std::string mend_path, std::function<void()> check_cancel);

  // Asks the server for the head of destination + "/kestrova"; raises errNoMendFolder when the
  // status line holds "404".
  void Probe();

  // Gets the inventory from the address of the probe + "/inventory.txt" and returns its lines.
  std::vector<std::string> FetchInventory();

  // True when the mend folder must be downloaded: no local inventory (asked again now), or a
  // server date strictly later than the local one.
  bool DownloadNeeded(const std::optional<DateTime>& local_date,
                      const std::vector<std::string>& server_lines);

  // Stores every entry of the server's inventory in the local mend folder, counting each in the
  // status window. An inventory.txt entry is stored last, after every other entry has landed, so
  // that the local inventory only claims a folder that is complete.
  void DownloadEntries(const std::vector<std::string>& server_lines);

 private:
  enum class Request { kProbe, kInventory, kEntry };

  // A connection to the server: a transfer control (Inet1, or one made for this download) and the
  // entry it is fetching, with the file that entry is stored in.
  struct Connection {
    TransferControl* inet = nullptr;
    std::unique_ptr<TransferControl> owned;
    std::optional<std::size_t> entry;
    std::string path;
  };

  // Starts a request on inet after a check for a cancel.
  void StartRequest(TransferControl& inet, const std::string& url, const std::string& operation);
  // Checks a request that has stopped executing: cancel, last error, status line. Returns the
  // status line.
  std::string FinishRequest(TransferControl& inet, Request kind, const std::string& entry);
  // One request: address, operation, wait, last error, status line. Returns the status line.
  std::string RunRequest(TransferControl& inet, Request kind, const std::string& url,
                         const std::string& operation, const std::string& entry);
  // Raises the recorded transfer failure, with the destination in front for the probe and the
  // inventory fetch.
  void RaiseRecordedFailure(Request kind);
  // Fetches entries over up to services.connections connections at once, counting each stored
  // one in the status window. The first failure or a cancel stops every request. With
  // ends_with_inventory, the last entry is the inventory: it is committed only once every other
  // entry is on the disk.
  void StoreMendingFiles(const std::vector<std::string>& entries, bool ends_with_inventory);
  void FetchOverConnections(std::vector<Connection>& connections,
                            const std::vector<std::string>& entries, bool ends_with_inventory);
  void ReleaseConnections(std::vector<Connection>& connections);
  // Stores the body of inet's last response as the file at path, whole or not at all.
  void WriteBody(TransferControl& inet, const std::string& path, CommitDurability durability);
  // Reads the last response's body piece by piece into sink; raises errBodyTooLarge once it has
  // grown past services.max_body_bytes, and the recorded failure of a body cut short.
  void ReadBody(TransferControl& inet, Request kind,
                const std::function<void(const std::string&)>& sink);
  // The name an entry gives its file, in the text the platform names files with.
  std::string Name(const std::string& entry) const;

  FrmMending& window_;
  PublishServices& services_;
  const std::string destination_;
  const std::string mend_path_;
  std::function<void()> check_cancel_;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_MEND_STORE_H_
