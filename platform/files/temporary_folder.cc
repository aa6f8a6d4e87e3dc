#include "platform/files/temporary_folder.h"

#include <random>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace kestrova {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
  static constexpr std::string_view kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  // Each round tries a new name; a name that is taken only costs a round.
  for (int round = 0; round < 100 && !error; ++round) {
    std::string name = prefix + "-";
    for (int k = 0; k < 6; ++k) name += kLetters[random() % kLetters.size()];
    if (fs::create_directory(base / name, error)) {
      path_ = base / name;
      // Only the owner may look inside, as with mkdtemp.
      fs::permissions(path_, fs::perms::owner_all, error);
      if (!error) return;
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  throw std::runtime_error("cannot create a temporary folder: " +
                           (error ? error.message() : std::string("every name tried is taken")));
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace kestrova
