// How an inventory entry names its page and its mending file. An entry is the page's path relative
// to the web's root with each folder separator written as "--"; it is also the mending file's name
// in the mend folder. Paths are joined by plain concatenation, nothing is trimmed or case-folded.
#ifndef KESTROVA_MENDING_ENTRY_PATHS_H_
#define KESTROVA_MENDING_ENTRY_PATHS_H_

#include <string>
#include <string_view>

namespace kestrova {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The name of the mend folder inside a web, and of the inventory inside the mend folder.
inline constexpr std::string_view kMendFolderName = "kestrova";
inline constexpr std::string_view kInventoryFileName = "inventory.txt";

// The local mend folder of the web at web_path (a path without a trailing separator).
std::string MendFolderPath(std::string_view web_path, char separator = kPathSeparator);

// The local inventory inside the mend folder at mend_path.
std::string InventoryPath(std::string_view mend_path, char separator = kPathSeparator);

// The entry with every "--" replaced by separator, searched left to right without overlap, so
// "a---b" becomes "a" + separator + "-b".
std::string EntryRelativePagePath(std::string_view entry, char separator = kPathSeparator);

// The page of an entry in the web at web_path.
std::string EntryPagePath(std::string_view web_path, std::string_view entry,
                          char separator = kPathSeparator);

// The mending file of an entry in the mend folder at mend_path.
std::string EntryMendingFilePath(std::string_view mend_path, std::string_view entry,
                                 char separator = kPathSeparator);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_ENTRY_PATHS_H_
