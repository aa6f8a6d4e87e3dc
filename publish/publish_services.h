// The seams of a publish besides the host: the platform's parts behind their interfaces, so that
// the same driver runs inside FrontPage and in the Linux host. The values that tune a publish are
// apart, in PublishSettings.
#ifndef KESTROVA_PUBLISH_PUBLISH_SERVICES_H_
#define KESTROVA_PUBLISH_PUBLISH_SERVICES_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/failure.h"
#include "mending/inventory_date.h"
#include "platform/browser.h"
#include "platform/files/file_system.h"
#include "platform/pump/event_pump.h"
#include "platform/transfer/transfer_control.h"
#include "publish/mended_heads.h"
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
  // Makes a transfer control: Inet1 of each publish, and one for each further connection.
  std::function<std::unique_ptr<TransferControl>()> make_transfer_control;
  // Reads an inventory's date line; raises Failure 13 for text that is no date. Every flavour
  // reads the service's notation (US English) alike; on Windows the system's own conversion in
  // the user's locale reads what US English cannot.
  DateTime (*convert_date)(std::string_view text) = ConvertToDate;
  // Told of each failure the publish driver reports to the user, before its dialog shows (when
  // set); a host that sums up the run keeps it.
  std::function<void(const Failure&)> on_failure = {};
  // Turns an inventory's site address or entry, 8-bit text in the code page of the system that
  // wrote it, into the text that names files and goes to the user. On Windows the system's ANSI
  // code page, so that an entry names the page that the same system's programs saved under that
  // name. The request for an entry's mending file carries the entry's own bytes.
  std::string (*inventory_text)(std::string_view line) = InventoryBytesAsTheyAre;
  // Where the mend phase keeps a mark of each head it wrote (null: nowhere). A host whose editor
  // reads a head back byte for byte needs none: there a mended page's head comes out of the
  // rewrite as it was. FrontPage's editor may hand it back re-serialised, so the add-in keeps one.
  MendedHeads* mended_heads = nullptr;
};

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_PUBLISH_SERVICES_H_
