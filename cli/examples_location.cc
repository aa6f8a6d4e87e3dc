#include "cli/examples_location.h"

#include <filesystem>
#include <system_error>

namespace kestrova {

namespace fs = std::filesystem;

std::string DefaultExamplesDir(const std::string& source_examples) {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return source_examples;
  const fs::path installed = program.parent_path().parent_path() / "share" / "fpkestrova";
  if (fs::is_directory(installed / "web", error) &&
      fs::is_directory(installed / "service" / "kestrova", error)) {
    return installed.string();
  }
  return source_examples;
}

}  // namespace kestrova
