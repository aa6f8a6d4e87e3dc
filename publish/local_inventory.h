// The local inventory: the copy of the server's inventory in the web's mend folder, and the one
// way to reach a file of that folder. The publish driver reads its date and address, the mend
// phase its entries, the command line its pages; all through ReadLocalInventory.
#ifndef KESTROVA_PUBLISH_LOCAL_INVENTORY_H_
#define KESTROVA_PUBLISH_LOCAL_INVENTORY_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/date_time.h"
#include "platform/files/file_system.h"
#include "publish/publish_services.h"

namespace kestrova {

// What the local inventory says.
struct LocalInventory {
  DateTime date;            // line 1
  std::string destination;  // line 2, the site's address, read as inventory text
  // Lines 3 on as written, empty ones too: each names a mending file and a page once read as
  // inventory text (services.inventory_text).
  std::vector<std::string> entries;
};

// Where the file at path in the mend folder at mend_path is read or written (what: "read" or
// "write"): path itself, or where it leads when it is a link to a file inside the mend folder;
// the file there is written in place and the link stays. A link that leads anywhere else (out of
// the mend folder, or nowhere) is refused with Failure 5 naming path: neither the server's bytes
// nor a stranger file's ever pass through it. A file that is not there is read as missing.
std::string MendFolderFile(FileSystem& files, const std::string& mend_path, const std::string& path,
                           std::string_view what);

// True when the mend folder at mend_path holds an inventory.
bool LocalInventoryExists(const PublishServices& services, const std::string& mend_path);

// Reads the local inventory (mend_path + "/inventory.txt"). Raises Failure 53 when there is none,
// Failure 13 when line 1 is no date (services.convert_date), Failure 62 when line 2 is missing.
LocalInventory ReadLocalInventory(const PublishServices& services, const std::string& mend_path);

}  // namespace kestrova

#endif  // KESTROVA_PUBLISH_LOCAL_INVENTORY_H_
