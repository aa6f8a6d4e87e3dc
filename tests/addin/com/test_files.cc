#include "tests/addin/com/test_files.h"

#include <windows.h>

#include <stdexcept>

namespace kestrova::testing {

std::wstring BesideTestProgram(std::wstring_view name) {
  std::wstring program(32768, L'\0');
  const DWORD length =
      GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  if (length == 0 || length >= program.size()) throw std::runtime_error("GetModuleFileNameW");
  program.resize(length);
  const std::size_t slash = program.find_last_of(L"\\/");
  return program.substr(0, slash + 1) + std::wstring(name);
}

}  // namespace kestrova::testing
