// A reader for the few parts of an MSFT type library file that ITypeLib does not show: the
// imported libraries with their file names, and how each GUID is used.
#ifndef KESTROVA_TESTS_ADDIN_COM_MSFT_FILE_H_
#define KESTROVA_TESTS_ADDIN_COM_MSFT_FILE_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova::testing {

// One imported library as the file records it.
struct ImportedLibrary {
  GUID library_id;
  LCID locale;
  WORD major;
  WORD minor;
  std::string file_name;
};

// One entry of the GUID table; `reference` tells what the GUID stands for: a type description of
// this file (an offset, multiple of 4), a type in an imported library (odd), or something else.
struct GuidEntry {
  GUID guid;
  std::int32_t reference;
};

// One type description as stored: its kind (TKIND_*), flags (TYPEFLAG_*) and version.
struct TypeEntry {
  GUID guid;
  int kind;
  std::int32_t flags;
  WORD major;
  WORD minor;
};

// The parsed parts of the file.
struct MsftFile {
  LCID locale = 0;
  int system_kind = 0;  // SYS_WIN32 is 1
  WORD major = 0;
  WORD minor = 0;
  std::int32_t library_flags = 0;
  std::int32_t type_count = 0;
  std::vector<TypeEntry> types;
  std::vector<ImportedLibrary> imports;
  std::vector<GuidEntry> guids;
};

// Parses `data`, which must begin with "MSFT"; throws std::runtime_error on anything malformed.
MsftFile ParseMsftFile(std::string_view data);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_MSFT_FILE_H_
