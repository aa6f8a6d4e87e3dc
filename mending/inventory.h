// The inventory of a mend folder: its lines, and which entries may be used as file names.
//
// Line 1 of inventory.txt is the date of the service's last mend, line 2 the site's address, and
// every further line an entry: the name of a mending file in the mend folder, which is also the
// page's path in the web with each folder separator written as "--".
#ifndef KESTROVA_MENDING_INVENTORY_H_
#define KESTROVA_MENDING_INVENTORY_H_

#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// Index of the first entry in the list of inventory lines split from the server's copy.
inline constexpr std::size_t kFirstEntryLine = 2;

// Splits the server's copy of the inventory: every CR is removed, then the text is split at every
// LF; empty pieces stay in the list (a final LF gives an empty last line). An empty text gives an
// empty list.
std::vector<std::string> SplitInventoryText(std::string_view text);

// Why entry cannot be used as a file name in the mend folder, or as a page path in the web: a path
// separator, a ".." or "." segment, a control character, a character or device name that Windows
// refuses. Empty when the entry is safe. The entry comes from the network, so nothing may reach
// the disk before it passed this test.
std::string UnsafeEntryReason(std::string_view entry);

// Raises errUnsafeEntry, naming the entry and the reason, when the entry is not safe.
void CheckEntryIsSafe(std::string_view entry);

}  // namespace kestrova

#endif  // KESTROVA_MENDING_INVENTORY_H_
