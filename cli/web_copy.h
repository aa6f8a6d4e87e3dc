// A copy of a web's folder for a dry run, which may then be changed freely.
#ifndef KESTROVA_CLI_WEB_COPY_H_
#define KESTROVA_CLI_WEB_COPY_H_

#include <filesystem>

namespace kestrova {

// Copies the folders and regular files under from into the new folder to. A symbolic link to a
// regular file is copied as the file it names; other links, and anything that is neither a
// folder nor a regular file, are left out, so that nothing in the copy leads back out of it.
// Raises std::filesystem::filesystem_error when something cannot be copied.
void CopyWeb(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace kestrova

#endif  // KESTROVA_CLI_WEB_COPY_H_
