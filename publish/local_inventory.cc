#include "publish/local_inventory.h"

#include <optional>
#include <utility>

#include "base/file_failure.h"
#include "mending/entry_paths.h"

namespace kestrova {

std::string MendFolderFile(FileSystem& files, const std::string& mend_path, const std::string& path,
                           std::string_view what) {
  if (std::optional<std::string> inside = files.ResolveInside(mend_path, path)) {
    return *std::move(inside);
  }
  if (what == "read" && !files.FileExists(path)) return path;
  RaiseFileError(what, path, false, "it is a link that does not lead to a file in the mend folder");
}

bool LocalInventoryExists(const PublishServices& services, const std::string& mend_path) {
  return services.files.FileExists(InventoryPath(mend_path));
}

LocalInventory ReadLocalInventory(const PublishServices& services, const std::string& mend_path) {
  const std::string path = InventoryPath(mend_path);
  const auto reader =
      services.files.OpenTextFile(MendFolderFile(services.files, mend_path, path, "read"));
  LocalInventory inventory;
  inventory.date = services.convert_date(reader->ReadLine());
  inventory.destination = services.inventory_text(reader->ReadLine());
  while (!reader->AtEndOfStream()) inventory.entries.push_back(reader->ReadLine());
  return inventory;
}

}  // namespace kestrova
