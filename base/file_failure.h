// The failures of the file system, the same on every platform: each platform's file code says
// only whether the file or folder was missing and gives the system's reason, and these choose the
// number and the text the user sees.
#ifndef KESTROVA_BASE_FILE_FAILURE_H_
#define KESTROVA_BASE_FILE_FAILURE_H_

#include <string>
#include <string_view>

namespace kestrova {

// Raises 53 ("File not found") when the file is not there, 5 for any other refusal:
// Cannot <what> "<path>": <reason>.
[[noreturn]] void RaiseFileError(std::string_view what, const std::string& path, bool not_found,
                                 std::string_view reason);

// Raises 76 ("Path not found") when the folder's parent is not there, 75 for any other refusal:
// Cannot create the folder "<path>": <reason>.
[[noreturn]] void RaiseFolderError(const std::string& path, bool not_found,
                                   std::string_view reason);

}  // namespace kestrova

#endif  // KESTROVA_BASE_FILE_FAILURE_H_
