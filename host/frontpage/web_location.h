// The local path of a disk-based web's folder, derived from the folder's Url: the host has no
// property for the path itself.
#ifndef KESTROVA_HOST_FRONTPAGE_WEB_LOCATION_H_
#define KESTROVA_HOST_FRONTPAGE_WEB_LOCATION_H_

#include <string>
#include <string_view>

namespace kestrova::host::frontpage {

// The local path for a folder's `url` (UTF-8). A plain path ("C:\Webs\My Web\") passes as it is;
// a file: URL ("file:///C:/My%20Webs/site/", "file://server/share/web", "file:C:/web") has its
// percent escapes decoded (as UTF-8 bytes, or as the ANSI code page's when they spell no UTF-8),
// its slashes turned into backslashes, "C|" read as "C:", and a host name made into a UNC path.
// Trailing separators are removed.
std::string LocalPathFromFolderUrl(std::string_view url);

}  // namespace kestrova::host::frontpage

#endif  // KESTROVA_HOST_FRONTPAGE_WEB_LOCATION_H_
