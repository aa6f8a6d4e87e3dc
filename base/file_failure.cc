#include "base/file_failure.h"

#include "base/failure.h"

namespace kestrova {

void RaiseFileError(std::string_view what, const std::string& path, bool not_found,
                    std::string_view reason) {
  RaiseProgramError(
      not_found ? kErrFileNotFound : kErrInvalidArgument,
      "Cannot " + std::string(what) + " \"" + path + "\": " + std::string(reason) + ".");
}

void RaiseFolderError(const std::string& path, bool not_found, std::string_view reason) {
  RaiseProgramError(not_found ? kErrPathNotFound : kErrPathFileAccess,
                    "Cannot create the folder \"" + path + "\": " + std::string(reason) + ".");
}

}  // namespace kestrova
