#include "cli/web_copy.h"

namespace kestrova {

namespace fs = std::filesystem;

void CopyWeb(const fs::path& from, const fs::path& to) {
  fs::create_directory(to);
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
       ++it) {
    // Lexically: resolving a link here would lead outside the web.
    const fs::path target = to / it->path().lexically_relative(from);
    const fs::file_status own = it->symlink_status();
    if (fs::is_directory(own)) {
      fs::create_directory(target);
    } else if (fs::is_regular_file(own) ||
               (fs::is_symlink(own) && fs::is_regular_file(it->status()))) {
      fs::copy_file(it->path(), target);
    }
  }
}

}  // namespace kestrova
