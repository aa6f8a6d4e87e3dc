#include "publish/mend_store.h"

#include <algorithm>
#include <deque>
#include <tuple>
#include <utility>

#include "base/ascii.h"
#include "base/file_failure.h"
#include "mending/entry_paths.h"
#include "mending/inventory.h"
#include "platform/transfer/transfer_proxy.h"
#include "platform/transfer/url_encoding.h"
#include "publish/http_status.h"
#include "publish/request_failure.h"

namespace kestrova {

MendStore::MendStore(Fetcher& fetcher, const PublishServices& services,
                     const PublishSettings& settings, std::string destination,
                     std::string mend_path, EntryStoredCallback on_entry_stored)
    : fetcher_(fetcher),
      services_(services),
      settings_(settings),
      destination_(std::move(destination)),
      mend_path_(std::move(mend_path)),
      on_entry_stored_(std::move(on_entry_stored)) {}

std::string MendStore::CheckStatus(Fetcher::Slot slot, Request kind, const std::string& entry) {
  const std::string status_line = StatusLine(fetcher_.Header(slot));
  const std::string address = fetcher_.Url(slot);
  // A proxy that asks for a password answered in the server's place: the server was not asked,
  // so the answer says nothing of the folder or a file.
  if (StatusCode(status_line) == kProxyAuthenticationRequired) {
    RaiseStatusFailure(errServerStatus, address, ProxyPasswordText(address, status_line));
  }
  if (status_line.find("404") != std::string::npos) {
    switch (kind) {
      case Request::kProbe:
        RaiseStatusFailure(errNoMendFolder, address,
                           "Directory \"kestrova\" not found on server.\r\n"
                           "You need to sign up with Kestrova,\r\n"
                           "and then wait for the next mend to be executed.");
      case Request::kInventory:
        RaiseStatusFailure(errNoInventory, address,
                           "File \"\"inventory.txt\"\" not found on server.");
      case Request::kEntry:
        RaiseStatusFailure(errNoMendFile, address, "File \"" + entry + "\" not found on server.");
    }
  }
  // The probe only asks whether the folder is there: any answer but 404 says it is. A file the
  // server refuses to give is no inventory and no mending file, whatever page comes with it.
  const int code = StatusCode(status_line);
  if (kind != Request::kProbe && code >= 400 && code <= 599) {
    RaiseStatusFailure(
        errServerStatus, address,
        "The server answered the request for \"" + address + "\" with \"" + status_line + "\".");
  }
  return status_line;
}

void MendStore::Probe() {
  // A failure of the probe or the inventory fetch names the site it asked.
  fetcher_.Start(0, destination_ + "/kestrova", "head");
  fetcher_.Wait(0, destination_);
  CheckStatus(0, Request::kProbe, {});
}

ServerInventory MendStore::FetchInventory() {
  fetcher_.Start(0, fetcher_.Url(0) + "/inventory.txt", "get");
  fetcher_.Wait(0, destination_);
  CheckStatus(0, Request::kInventory, {});
  ServerInventory inventory;
  // A body cut short or too large is no inventory.
  fetcher_.ReadBody(
      0, [&inventory](const std::string& chunk) { inventory.text += chunk; }, destination_);
  inventory.lines = SplitInventoryText(inventory.text);
  return inventory;
}

bool MendStore::DownloadNeeded(const std::optional<DateTime>& local_date,
                               const std::vector<std::string>& server_lines) {
  if (server_lines.empty()) RaiseProgramError(kErrSubscriptOutOfRange);
  const DateTime server_date = services_.convert_date(server_lines[0]);
  if (!services_.files.FileExists(InventoryPath(mend_path_)) || !local_date.has_value()) {
    return true;
  }
  return server_date > *local_date;
}

void MendStore::DownloadEntries(const ServerInventory& inventory) {
  // The entries but inventory.txt, which is the inventory's own text; every one is checked
  // before the first byte of the download reaches the disk.
  std::vector<std::string> entries;
  bool lists_inventory = false;
  for (std::size_t k = kFirstEntryLine; k < inventory.lines.size(); ++k) {
    const std::string& entry = inventory.lines[k];
    if (entry.empty()) continue;
    CheckEntryIsSafe(services_.inventory_text(entry));
    if (entry == kInventoryFileName) {
      lists_inventory = true;
    } else {
      entries.push_back(entry);
    }
  }
  const std::size_t total = entries.size() + (lists_inventory ? 1 : 0);

  if (!services_.files.FolderExists(mend_path_)) services_.files.CreateFolder(mend_path_);
  // Resolved before the download, so that a link that may not be written through stops it
  // before any mending file changes.
  const std::string inventory_path =
      lists_inventory
          ? MendFolderFile(services_.files, mend_path_, InventoryPath(mend_path_), "write")
          : std::string();
  const std::unique_ptr<FileTransaction> staged = services_.files.BeginTransaction();
  StageMendingFiles(entries, total, *staged);
  // Every mending file, bytes and name, is on the disk before the inventory that lists them.
  staged->Commit();
  if (lists_inventory) {
    WriteWholeFile(services_.files, inventory_path, inventory.text,
                   CommitDurability::kBytesBeforeName);
    if (on_entry_stored_) on_entry_stored_(total, total);
  }
}

void MendStore::StageMendingFiles(const std::vector<std::string>& entries, std::size_t total,
                                  FileTransaction& staged) {
  try {
    FetchOverConnections(entries, total, staged);
  } catch (...) {
    // The first failure or a cancel stops every other request at once; nothing they brought is
    // kept, so none of the files counted so far is stored after all.
    fetcher_.Cancel();
    fetcher_.ReleaseExtra();
    if (on_entry_stored_) on_entry_stored_(0, total);
    throw;
  }
  fetcher_.ReleaseExtra();
}

void MendStore::FetchOverConnections(const std::vector<std::string>& entries, std::size_t total,
                                     FileTransaction& staged) {
  // The entry each connection is fetching, and the file it is stored in.
  struct Fetching {
    std::optional<std::size_t> entry;
    std::string path;
  };
  std::vector<Fetching> fetching(fetcher_.Open(entries.size()));
  std::size_t next = 0;
  // Entries whose request was given up on a connection the server did not serve, with its
  // attempts so far: they go again first.
  std::deque<std::pair<std::size_t, Fetcher::EarlierAttempts>> again;
  std::size_t stored = 0;
  std::size_t staged_bytes = 0;
  while (stored < entries.size()) {
    // Every idle connection in use takes the next entry, in the inventory's order.
    for (std::size_t slot = 0; slot < fetching.size() && (next < entries.size() || !again.empty());
         ++slot) {
      if (fetching[slot].entry || fetcher_.Retired(slot)) continue;
      std::size_t entry = next;
      Fetcher::EarlierAttempts earlier;
      if (again.empty()) {
        ++next;
      } else {
        std::tie(entry, earlier) = again.front();
        again.pop_front();
      }
      fetching[slot].path =
          MendFolderFile(services_.files, mend_path_,
                         EntryMendingFilePath(mend_path_, Name(entries[entry])), "write");
      fetching[slot].entry = entry;
      fetcher_.Start(slot, destination_ + "/kestrova/" + EncodePathSegment(entries[entry]), "get",
                     earlier);
    }
    // A request that has stopped executing: its answer is complete, its buffer full, or it
    // failed, which raises its failure here; or one given up, to be made again.
    const Fetcher::Slot slot = fetcher_.WaitForAny();
    if (fetcher_.GivenUp(slot)) {
      again.emplace_back(*fetching[slot].entry, fetcher_.GivenUpAttempts(slot));
      fetching[slot].entry.reset();
      continue;
    }
    const std::size_t index = *fetching[slot].entry;
    CheckStatus(slot, Request::kEntry, Name(entries[index]));
    const auto writer = staged.Stage(fetching[slot].path);
    fetcher_.ReadBody(slot, [&](const std::string& chunk) {
      staged_bytes += chunk.size();
      if (staged_bytes > settings_.max_staged_bytes) {
        RaiseDownloadTooLarge(settings_.max_staged_bytes, destination_);
      }
      writer->Write(chunk);
    });
    writer->Commit();
    ++stored;
    if (on_entry_stored_) on_entry_stored_(stored, total);
    fetching[slot].entry.reset();
  }
}

std::string MendStore::Name(const std::string& entry) const {
  return services_.inventory_text(entry);
}

}  // namespace kestrova
