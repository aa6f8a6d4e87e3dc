// Where the tests find the DLLs they load: beside the test program.
#ifndef KESTROVA_TESTS_ADDIN_COM_TEST_FILES_H_
#define KESTROVA_TESTS_ADDIN_COM_TEST_FILES_H_

#include <string>
#include <string_view>

namespace kestrova::testing {

// The file name of the COM server under test.
inline constexpr std::wstring_view kServerFileName = L"FPKestrova.dll";

// The file name of the stand-in AddInDesignerObjects library.
inline constexpr std::wstring_view kStandInFileName = L"MSADDNDR.DLL";

// The full path of `name` in the folder that holds the test program.
std::wstring BesideTestProgram(std::wstring_view name);

}  // namespace kestrova::testing

#endif  // KESTROVA_TESTS_ADDIN_COM_TEST_FILES_H_
