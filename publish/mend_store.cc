#include "publish/mend_store.h"

#include <algorithm>
#include <utility>

#include "base/file_failure.h"
#include "mending/entry_paths.h"
#include "mending/inventory.h"
#include "platform/url_encoding.h"

namespace kestrova {
namespace {

// The text of the response header before its first CR; empty when it has none.
std::string StatusLine(const std::string& header) {
  const std::size_t cr = header.find('\r');
  return cr == std::string::npos ? std::string() : header.substr(0, cr);
}

// The status code of a status line such as "HTTP/1.1 500 Internal Server Error"; 0 when there
// is none.
int StatusCode(const std::string& status_line) {
  const std::size_t space = status_line.find(' ');
  if (space == std::string::npos || space + 4 > status_line.size()) return 0;
  int code = 0;
  for (std::size_t k = space + 1; k < space + 4; ++k) {
    const char c = status_line[k];
    if (c < '0' || c > '9') return 0;
    code = code * 10 + (c - '0');
  }
  return code;
}

// The cap as a user reads it: whole mebibytes where it is one, bytes otherwise.
std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kMebibyte = std::size_t{1} << 20;
  if (bytes != 0 && bytes % kMebibyte == 0) return std::to_string(bytes / kMebibyte) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string MendFolderFile(FileSystem& files, const std::string& mend_path, const std::string& path,
                           std::string_view what) {
  if (std::optional<std::string> inside = files.ResolveInside(mend_path, path)) {
    return *std::move(inside);
  }
  if (what == "read" && !files.FileExists(path)) return path;
  RaiseFileError(what, path, false, "it is a link that does not lead to a file in the mend folder");
}

std::optional<LocalInventory> ReadLocalInventory(const PublishServices& services,
                                                 const std::string& mend_path) {
  const std::string path = InventoryPath(mend_path);
  if (!services.files.FileExists(path)) return std::nullopt;
  const auto reader =
      services.files.OpenTextFile(MendFolderFile(services.files, mend_path, path, "read"));
  LocalInventory inventory;
  inventory.date = services.convert_date(reader->ReadLine());
  inventory.destination = services.inventory_text(reader->ReadLine());
  return inventory;
}

MendStore::MendStore(FrmMending& window, PublishServices& services, std::string destination,
                     std::string mend_path, std::function<void()> check_cancel)
    : window_(window),
      services_(services),
      destination_(std::move(destination)),
      mend_path_(std::move(mend_path)),
      check_cancel_(std::move(check_cancel)) {}

void MendStore::RaiseRecordedFailure(Request kind) {
  const LastError& recorded = services_.last_error;
  std::string description = recorded.description();
  if (kind != Request::kEntry) description = destination_ + "\r\n" + description;
  throw Failure(recorded.number(), recorded.source(), std::move(description));
}

void MendStore::StartRequest(TransferControl& inet, const std::string& url,
                             const std::string& operation) {
  check_cancel_();
  inet.SetUrl(url);
  inet.Execute(operation);
}

std::string MendStore::FinishRequest(TransferControl& inet, Request kind,
                                     const std::string& entry) {
  // A request that Cancel stopped failed on purpose: publishing stops without a message.
  check_cancel_();
  if (services_.last_error.IsSet()) RaiseRecordedFailure(kind);

  const std::string status_line = StatusLine(inet.GetHeader());
  if (status_line.find("404") != std::string::npos) {
    switch (kind) {
      case Request::kProbe:
        RaiseProgramError(errNoMendFolder,
                          "Directory \"kestrova\" not found on server.\r\n"
                          "You need to sign up with Kestrova,\r\n"
                          "and then wait for the next mend to be executed.");
      case Request::kInventory:
        RaiseProgramError(errNoInventory, "File \"\"inventory.txt\"\" not found on server.");
      case Request::kEntry:
        RaiseProgramError(errNoMendFile, "File \"" + entry + "\" not found on server.");
    }
  }
  // The probe only asks whether the folder is there: any answer but 404 says it is. A file the
  // server refuses to give is no inventory and no mending file, whatever page comes with it.
  const int code = StatusCode(status_line);
  if (kind != Request::kProbe && code >= 400 && code <= 599) {
    RaiseProgramError(errServerStatus, "The server answered the request for \"" + inet.Url() +
                                           "\" with \"" + status_line + "\".");
  }
  return status_line;
}

std::string MendStore::RunRequest(TransferControl& inet, Request kind, const std::string& url,
                                  const std::string& operation, const std::string& entry) {
  if (kind == Request::kProbe) inet.SetRequestTimeout(services_.request_timeout_seconds);
  StartRequest(inet, url, operation);
  // The request's time-out ends a request that hangs; the pump sleeps while nothing happens.
  while (inet.StillExecuting()) services_.pump.DoEvents();
  return FinishRequest(inet, kind, entry);
}

void MendStore::Probe() {
  RunRequest(window_.Inet1(), Request::kProbe, destination_ + "/kestrova", "head", {});
}

std::vector<std::string> MendStore::FetchInventory() {
  TransferControl& inet = window_.Inet1();
  RunRequest(inet, Request::kInventory, inet.Url() + "/inventory.txt", "get", {});
  std::string text;
  // A body cut short or too large is no inventory.
  ReadBody(inet, Request::kInventory, [&text](const std::string& chunk) { text += chunk; });
  return SplitInventoryText(text);
}

void MendStore::ReadBody(TransferControl& inet, Request kind,
                         const std::function<void(const std::string&)>& sink) {
  const std::size_t cap = services_.max_body_bytes;
  std::size_t received = 0;
  // The count is kept here rather than in a transfer control, so that every platform's control
  // meets the same cap; the control's own buffer is bounded, so at most one buffer's worth
  // arrives beyond the cap before it is seen.
  for (std::string chunk = inet.GetChunk(kChunkSize); !chunk.empty();
       chunk = inet.GetChunk(kChunkSize)) {
    received += chunk.size();
    if (received > cap) {
      RaiseProgramError(errBodyTooLarge, "The server sent more than " + SizeText(cap) + " for \"" +
                                             inet.Url() +
                                             "\"; the inventory and each mending file may have "
                                             "at most that much.");
    }
    sink(chunk);
  }
  // A body that Cancel cut short, or one that came whole while the user cancelled, is not kept.
  check_cancel_();
  if (services_.last_error.IsSet()) RaiseRecordedFailure(kind);
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

void MendStore::DownloadEntries(const std::vector<std::string>& server_lines) {
  // The entries, with inventory.txt moved to the end; every one is checked before the first
  // byte of the download reaches the disk.
  std::vector<std::string> entries;
  bool lists_inventory = false;
  for (std::size_t k = kFirstEntryLine; k < server_lines.size(); ++k) {
    const std::string& entry = server_lines[k];
    if (entry.empty()) continue;
    CheckEntryIsSafe(services_.inventory_text(entry));
    if (entry == kInventoryFileName) {
      lists_inventory = true;
    } else {
      entries.push_back(entry);
    }
  }
  if (lists_inventory) entries.emplace_back(kInventoryFileName);

  if (!services_.files.FolderExists(mend_path_)) services_.files.CreateFolder(mend_path_);
  StoreMendingFiles(entries, lists_inventory);
}

void MendStore::StoreMendingFiles(const std::vector<std::string>& entries,
                                  bool ends_with_inventory) {
  // Inet1 and as many more controls as there are connections to use and files to fetch; each
  // extra control is the window's while it is in use, so that its states show and Cancel stops it.
  const std::size_t wanted =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(services_.connections, 1)),
                            std::max<std::size_t>(entries.size(), 1));
  std::vector<Connection> connections(wanted);
  connections[0].inet = &window_.Inet1();
  for (std::size_t k = 1; k < wanted; ++k) {
    connections[k].owned = services_.make_transfer_control();
    connections[k].inet = connections[k].owned.get();
    connections[k].inet->SetRequestTimeout(services_.request_timeout_seconds);
    window_.WatchTransfer(*connections[k].inet);
  }
  try {
    FetchOverConnections(connections, entries, ends_with_inventory);
  } catch (...) {
    // The first failure or a cancel stops every other request at once; nothing they brought is
    // kept. The failure on its way out was copied from the last error before these requests
    // end and record their own.
    for (Connection& connection : connections) {
      if (connection.entry) connection.inet->Cancel();
    }
    ReleaseConnections(connections);
    throw;
  }
  ReleaseConnections(connections);
}

void MendStore::ReleaseConnections(std::vector<Connection>& connections) {
  for (Connection& connection : connections) {
    if (connection.owned) window_.UnwatchTransfer(*connection.inet);
  }
}

void MendStore::FetchOverConnections(std::vector<Connection>& connections,
                                     const std::vector<std::string>& entries,
                                     bool ends_with_inventory) {
  const std::size_t total = entries.size();
  // The inventory, fetched last but in step with the mending files still arriving, waits here
  // whole but uncommitted until they have all landed.
  std::unique_ptr<FileWriter> inventory;
  std::size_t next = 0;
  std::size_t stored = 0;
  while (stored + (inventory ? 1 : 0) < total) {
    // Every idle connection takes the next entry, in the inventory's order.
    for (Connection& connection : connections) {
      if (connection.entry || next == total) continue;
      connection.path =
          MendFolderFile(services_.files, mend_path_,
                         EntryMendingFilePath(mend_path_, Name(entries[next])), "write");
      connection.entry = next;
      StartRequest(*connection.inet, destination_ + "/kestrova/" + EncodePathSegment(entries[next]),
                   "get");
      ++next;
    }
    // Waits until a request has stopped executing: its answer is complete, its buffer full, or
    // it failed. The requests' time-outs end any that hang.
    Connection* ready = nullptr;
    while (ready == nullptr) {
      for (Connection& connection : connections) {
        if (connection.entry && !connection.inet->StillExecuting()) {
          ready = &connection;
          break;
        }
      }
      if (ready == nullptr) services_.pump.DoEvents();
    }
    const std::size_t index = *ready->entry;
    FinishRequest(*ready->inet, Request::kEntry, Name(entries[index]));
    if (ends_with_inventory && index + 1 == total) {
      inventory = services_.files.CreateFileWriter(ready->path, CommitDurability::kBytesBeforeName);
      ReadBody(*ready->inet, Request::kEntry,
               [&inventory](const std::string& chunk) { inventory->Write(chunk); });
    } else {
      // A mending file need only be on the disk before the inventory that lists it, which
      // flushes them all at once.
      WriteBody(*ready->inet, ready->path, CommitDurability::kByFolderFlush);
      window_.SetEntryStored(++stored, total);
    }
    ready->entry.reset();
  }
  if (inventory) {
    // Every mending file, name and all, is on the disk before the inventory that lists them.
    services_.files.FlushFolder(mend_path_);
    inventory->Commit();
    window_.SetEntryStored(total, total);
  }
}

std::string MendStore::Name(const std::string& entry) const {
  return services_.inventory_text(entry);
}

void MendStore::WriteBody(TransferControl& inet, const std::string& path,
                          CommitDurability durability) {
  // The file appears complete or not at all: a failed, interrupted or oversized download leaves
  // the old mending file in place.
  const auto writer = services_.files.CreateFileWriter(path, durability);
  ReadBody(inet, Request::kEntry, [&writer](const std::string& chunk) { writer->Write(chunk); });
  writer->Commit();
}

}  // namespace kestrova
