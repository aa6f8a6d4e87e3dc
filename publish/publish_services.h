// Everything the publish driver works with besides the host: the platform's parts behind their
// interfaces, so that the same driver runs inside FrontPage and in the Linux host.
#ifndef KESTROVA_PUBLISH_PUBLISH_SERVICES_H_
#define KESTROVA_PUBLISH_PUBLISH_SERVICES_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "mending/inventory_date.h"
#include "platform/browser.h"
#include "platform/event_pump.h"
#include "platform/file_system.h"
#include "platform/transfer_control.h"
#include "ui/user_interface.h"

namespace kestrova {

// A line of an inventory as it is: where file names are bytes, an entry names its file as it
// stands.
inline std::string InventoryBytesAsTheyAre(std::string_view line) { return std::string(line); }

struct PublishServices {
  UserInterface& ui;
  Browser& browser;
  EventPump& pump;
  FileSystem& files;
  LastError& last_error;
  // Makes the transfer control of a new status window.
  std::function<std::unique_ptr<TransferControl>()> make_transfer_control;
  // How many requests for mending files may run at once, each over its own connection to the
  // server; 1 fetches them one after another.
  int connections = 1;
  // The request time-out set before the probe, in seconds.
  int request_timeout_seconds = 30;
  // The most bytes the inventory or one mending file may have: far above any real site, so that
  // a server sending without end can fill neither memory nor disk.
  std::size_t max_body_bytes = std::size_t{64} << 20;
  // Reads an inventory's date line; raises Failure 13 for text that is no date. On Windows the
  // system's own conversion, so that the add-in accepts exactly the dates the platform accepts.
  DateTime (*convert_date)(std::string_view text) = ConvertToDate;
  // Told of each failure the publish driver reports to the user, before its dialog shows (when
  // set); a host that sums up the run keeps it.
  std::function<void(const Failure&)> on_failure = {};
  // Turns an inventory's site address or entry, 8-bit text in the code page of the system that
  // wrote it, into the text that names files and goes to the user. On Windows the system's ANSI
  // code page, so that an entry names the page that the same system's programs saved under that
  // name. The request for an entry's mending file carries the entry's own bytes.
  std::string (*inventory_text)(std::string_view line) = InventoryBytesAsTheyAre;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_PUBLISH_SERVICES_H_
