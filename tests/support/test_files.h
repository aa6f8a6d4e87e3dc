// Whole files as bytes, for tests that set up and check real files.
#ifndef KESTROVA_TESTS_SUPPORT_TEST_FILES_H_
#define KESTROVA_TESTS_SUPPORT_TEST_FILES_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrova::testing {

// Replaces the file at path with bytes, creating its folders; returns the path.
std::string WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// The bytes of the file at path; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Whether folder holds a temporary file of a write in progress (a name with ".kestrova-").
bool HoldsTemporaryFile(const std::filesystem::path& folder);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_SUPPORT_TEST_FILES_H_
