#include "mending/entry_paths.h"

namespace kestrova {
namespace {

std::string Join(std::string_view folder, std::string_view name, char separator) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).push_back(separator);
  path.append(name);
  return path;
}

}  // namespace

std::string MendFolderPath(std::string_view web_path, char separator) {
  return Join(web_path, kMendFolderName, separator);
}

std::string InventoryPath(std::string_view mend_path, char separator) {
  return Join(mend_path, kInventoryFileName, separator);
}

std::string EntryRelativePagePath(std::string_view entry, char separator) {
  std::string path;
  path.reserve(entry.size());
  std::size_t k = 0;
  while (k < entry.size()) {
    if (entry.compare(k, 2, "--") == 0) {
      path.push_back(separator);
      k += 2;
    } else {
      path.push_back(entry[k]);
      ++k;
    }
  }
  return path;
}

std::string EntryPagePath(std::string_view web_path, std::string_view entry, char separator) {
  return Join(web_path, EntryRelativePagePath(entry, separator), separator);
}

std::string EntryMendingFilePath(std::string_view mend_path, std::string_view entry,
                                 char separator) {
  return Join(mend_path, entry, separator);
}

}  // namespace kestrova
